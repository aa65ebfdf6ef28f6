// Renders receipt lines as a PDF document with Pango/Cairo: one fixed-pitch
// font in which a Chinese character is exactly two columns wide, sized so that
// the receipt's columns fill the printable width, lines top to bottom at the
// font's line spacing, a new page when the next line does not fit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/cups/receipt_geometry.h"

namespace pellomar {

inline constexpr char kReceiptFontFamily[] = "Noto Sans Mono CJK SC";

struct ReceiptPdf {
  std::string document;    // the PDF file; empty on failure
  std::string error;       // why nothing was rendered
  double page_height = 0;  // of every page, in points
  bool ok() const { return error.empty(); }
};

// `lines` are UTF-8. With `cut_from_roll`, the page is only as long as the
// receipt (CutPageHeight, at least *cut_from_roll points); a receipt longer
// than the roll's longest page is paged on pages of that length.
ReceiptPdf RenderReceiptPdf(const std::vector<std::string>& lines, const PageGeometry& page,
                            std::optional<double> cut_from_roll = std::nullopt);

}  // namespace pellomar
