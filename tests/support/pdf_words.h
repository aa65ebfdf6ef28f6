// What a PDF shows, as poppler's text extraction sees it: every word with its
// box, page by page. Used to check columns and line order of printed receipts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pellomar::testing {

struct PdfWord {
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;  // points from the top left
  std::string text;                                   // UTF-8
};

struct PdfPage {
  double width = 0, height = 0;
  std::vector<PdfWord> words;
};

// Runs `pdftotext -bbox`; an empty list when the file is not a readable PDF.
std::vector<PdfPage> ReadPdfWords(const std::string& pdf_path);

// The words of a page grouped into lines, top to bottom (words whose tops lie
// within half a point share a line), each line left to right.
std::vector<std::vector<PdfWord>> LinesOf(const PdfPage& page);

// The words of each text row of a page, top to bottom, with the blank rows
// between lines restored from the vertical gaps (the line pitch being the
// smallest gap), so that a dropped empty line shows. Blank rows above the
// first line cannot be seen this way.
std::vector<std::vector<std::string>> RowsOf(const PdfPage& page);

// Text lines cut at spaces, as the extraction splits them.
std::vector<std::string> WordsOf(std::string_view line);

// One column per character, two for East Asian wide characters.
int ColumnsOf(std::string_view utf8);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);

}  // namespace pellomar::testing
