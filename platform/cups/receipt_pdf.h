// Renders receipt lines as a PDF document with Pango/Cairo: one fixed-pitch
// font in which a Chinese character is exactly two columns wide, sized so that
// the receipt's columns fill the printable width, lines top to bottom at the
// font's line spacing, a new page when the next line does not fit.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/cups/receipt_geometry.h"

namespace pellomar {

inline constexpr char kReceiptFontFamily[] = "Noto Sans Mono CJK SC";

// How many of a receipt's glyphs were drawn from where: the prepared subset
// of the font, the document's own subset of what that one lacks, the whole
// font (when no subset could be made), or by Pango (characters the font
// lacks, boxes in their place).
struct ReceiptGlyphSources {
  std::size_t prepared = 0;
  std::size_t document = 0;
  std::size_t whole_font = 0;
  std::size_t by_pango = 0;
};

struct ReceiptPdf {
  std::string document;    // the PDF file; empty on failure
  std::string error;       // why nothing was rendered
  double page_height = 0;  // of every page, in points
  ReceiptGlyphSources glyphs;
  bool ok() const { return error.empty(); }
};

// `lines` are UTF-8. With `cut_from_roll`, the page is only as long as the
// receipt (CutPageHeight, at least *cut_from_roll points); a receipt longer
// than the roll's longest page is paged on pages of that length.
ReceiptPdf RenderReceiptPdf(const std::vector<std::string>& lines, const PageGeometry& page,
                            std::optional<double> cut_from_roll = std::nullopt);

// Does the renderer's one-time work (finding the font, measuring it, making
// the subset most receipts are drawn in, a first receipt on `page`, best the
// printer's own), so that the first receipt printed is as quick as the next;
// for an idle moment. Rendering without it does the same work on first use.
// Again after it: only the first receipt.
void PrepareReceiptFonts(const PageGeometry& page = PageGeometryFromHundredthsMm(5800, 21000, 0, 0,
                                                                                 0, 0));

// Releases what the preparation keeps for the rest of the process; the next
// receipt prepares again. Leak-checked programs call it before they reset
// cairo's and fontconfig's own caches.
void ReleaseReceiptFonts();

}  // namespace pellomar
