#include "tests/support/pdf_words.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

namespace pellomar::testing {

namespace {

std::string RunCommand(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  if (!pipe) return out;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
  return out;
}

std::string Unescape(std::string text) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, character] : kEntities) {
    for (std::size_t at = text.find(entity); at != std::string::npos;
         at = text.find(entity, at + 1)) {
      text.replace(at, std::strlen(entity), character);
    }
  }
  return text;
}

char32_t DecodeAt(std::string_view s, std::size_t& i) {
  unsigned char c = s[i];
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 0; k < extra && i + 1 < s.size(); ++k) cp = (cp << 6) | (s[++i] & 0x3F);
  ++i;
  return cp;
}

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6);
}

// The number in name="..." of an element written on one line.
double Attribute(const std::string& element, const std::string& name) {
  std::size_t at = element.find(" " + name + "=\"");
  if (at == std::string::npos) return -1;
  return std::strtod(element.c_str() + at + name.size() + 3, nullptr);
}

}  // namespace

std::vector<PdfPage> ReadPdfWords(const std::string& pdf_path) {
  std::string html = RunCommand("pdftotext -q -bbox '" + pdf_path + "' - 2>/dev/null");
  std::vector<PdfPage> pages;
  std::istringstream in(html);
  for (std::string line; std::getline(in, line);) {
    if (line.find("<page ") != std::string::npos) {
      pages.push_back(
          {.width = Attribute(line, "width"), .height = Attribute(line, "height"), .words = {}});
    } else if (line.find("<word ") != std::string::npos && !pages.empty()) {
      std::size_t open = line.find('>') + 1;
      std::size_t close = line.find("</word>", open);
      pages.back().words.push_back({.x_min = Attribute(line, "xMin"),
                                    .y_min = Attribute(line, "yMin"),
                                    .x_max = Attribute(line, "xMax"),
                                    .y_max = Attribute(line, "yMax"),
                                    .text = Unescape(line.substr(open, close - open))});
    }
  }
  return pages;
}

std::vector<std::vector<PdfWord>> LinesOf(const PdfPage& page) {
  std::vector<PdfWord> words = page.words;
  std::stable_sort(words.begin(), words.end(),
                   [](const PdfWord& a, const PdfWord& b) { return a.y_min < b.y_min; });
  std::vector<std::vector<PdfWord>> lines;
  for (const PdfWord& word : words) {
    if (lines.empty() || std::abs(lines.back().front().y_min - word.y_min) > 0.5) {
      lines.emplace_back();
    }
    lines.back().push_back(word);
  }
  for (auto& line : lines) {
    std::sort(line.begin(), line.end(),
              [](const PdfWord& a, const PdfWord& b) { return a.x_min < b.x_min; });
  }
  return lines;
}

std::vector<std::vector<std::string>> RowsOf(const PdfPage& page) {
  const auto lines = LinesOf(page);
  double pitch = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const double gap = lines[i][0].y_min - lines[i - 1][0].y_min;
    if (pitch == 0 || gap < pitch) pitch = gap;
  }
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      const double gap = lines[i][0].y_min - lines[i - 1][0].y_min;
      for (long blank = std::lround(gap / pitch) - 1; blank > 0; --blank) rows.emplace_back();
    }
    rows.emplace_back();
    for (const PdfWord& word : lines[i]) rows.back().push_back(word.text);
  }
  return rows;
}

std::vector<std::string> WordsOf(std::string_view line) {
  std::vector<std::string> words;
  std::istringstream in{std::string(line)};
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

int ColumnsOf(std::string_view utf8) {
  int columns = 0;
  for (std::size_t i = 0; i < utf8.size();) columns += IsWide(DecodeAt(utf8, i)) ? 2 : 1;
  return columns;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

}  // namespace pellomar::testing
