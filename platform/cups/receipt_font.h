// The receipt's font, prepared once per process: the Pango font map that
// finds and shapes it, its column advance, and a subset of it holding the
// characters of nearly every receipt (ASCII, common and full-width
// punctuation, the symbols and first-level characters of GB 2312), in which
// the receipts' glyphs are drawn. Characters outside it go into a small
// subset of the document's own; the last one is kept for the next receipt.
// Used on one thread only, like the rest of the printer.
#pragma once

#include <hb.h>
#include <pango/pangocairo.h>

#include <optional>
#include <string>

#include "platform/cups/font_subset.h"
#include "platform/cups/owned_handles.h"

namespace pellomar {

class ReceiptFont {
 public:
  PangoFontMap* font_map() const { return font_map_.get(); }
  // The advance of one column (a Latin character) per point of font size.
  double column_advance_per_point() const { return column_advance_per_point_; }
  // The whole font, as Pango shapes in it.
  hb_face_t* face() const { return face_.get(); }
  // Null when the subset could not be made: then every glyph is drawn from
  // a document's own subset.
  const SubsetFont* prepared() const { return prepared_ ? &*prepared_ : nullptr; }

  // A subset holding `glyphs` (with a character map for `unicodes`): the
  // last document's when it holds them all, else a new one, kept in its
  // place. Null when it cannot be made.
  const SubsetFont* DocumentSubset(const hb_set_t* glyphs, const hb_set_t* unicodes);

 private:
  friend ReceiptFont* UseReceiptFont(std::string* error);
  friend void ReleaseReceiptFont();

  GObjectPtr<PangoFontMap> font_map_;
  double column_advance_per_point_ = 0;
  GObjectPtr<PangoFont> font_;  // at the size measured in
  OwnedHbFace face_;
  std::optional<SubsetFont> prepared_;
  std::optional<SubsetFont> last_document_;
};

// The process's receipt font, prepared on the first call; null, with the
// reason in *error, when the font is missing or unfit for the columns (then
// the next call tries again).
ReceiptFont* UseReceiptFont(std::string* error);

// Drops the prepared font; the next use prepares it again.
void ReleaseReceiptFont();

// The face HarfBuzz shapes `font` in; one per font file, whatever the size.
hb_face_t* ShapingFace(PangoFont* font);

// A context of `fonts` for drawing on `cr`, with exact columns: outlines at
// their true advances, no hinting of outlines or metrics, no snapping of
// glyph positions to whole device units.
GObjectPtr<PangoContext> MakeUnhintedContext(PangoFontMap* fonts, cairo_t* cr);

// The receipt font at `size` points.
OwnedFontDescription ReceiptFontDescription(double size);

// A layout that shows each line as it is: one paragraph (a stray line break
// is drawn, not obeyed) and no glyphs from other fonts, which would break the
// columns.
GObjectPtr<PangoLayout> MakeLineLayout(PangoContext* context, const PangoFontDescription& font);

}  // namespace pellomar
