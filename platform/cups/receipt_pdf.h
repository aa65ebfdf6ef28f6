// Renders receipt lines as a PDF document with Pango/Cairo: one fixed-pitch
// font in which a Chinese character is exactly two columns wide, sized so that
// the receipt's columns fill the printable width, lines top to bottom at the
// font's line spacing, a new page when the next line does not fit.
#pragma once

#include <string>
#include <vector>

#include "platform/cups/receipt_geometry.h"

namespace pellomar {

inline constexpr char kReceiptFontFamily[] = "Noto Sans Mono CJK SC";

struct ReceiptPdf {
  std::string document;  // the PDF file; empty on failure
  std::string error;     // why nothing was rendered
  bool ok() const { return error.empty(); }
};

// `lines` are UTF-8.
ReceiptPdf RenderReceiptPdf(const std::vector<std::string>& lines, const PageGeometry& page);

}  // namespace pellomar
