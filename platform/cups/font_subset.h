// A cairo font face made from a HarfBuzz subset of a font: only the glyphs
// asked for, renumbered, with the map from the full font's glyph ids to the
// subset's. A PDF surface that draws in it copies and parses only this small
// font when it is finished, not the whole font.
#pragma once

#include <cairo.h>
#include <hb.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "base/release_with.h"

namespace pellomar {

using OwnedHbSet = std::unique_ptr<hb_set_t, ReleaseWith<hb_set_destroy>>;
using OwnedHbFace = std::unique_ptr<hb_face_t, ReleaseWith<hb_face_destroy>>;
using OwnedCairoFontFace = std::unique_ptr<cairo_font_face_t, ReleaseWith<cairo_font_face_destroy>>;
using OwnedScaledFont =
    std::unique_ptr<cairo_scaled_font_t, ReleaseWith<cairo_scaled_font_destroy>>;

class SubsetFont {
 public:
  static constexpr uint32_t kMissing = UINT32_MAX;

  // The `glyphs` of `source` (the full font's ids), with a character map
  // for `unicodes`; nothing when the subset cannot be made.
  static std::optional<SubsetFont> Make(hb_face_t* source, const hb_set_t* glyphs,
                                        const hb_set_t* unicodes);

  cairo_font_face_t* face() const { return face_.get(); }
  // The subset's id of a glyph of the full font, or kMissing.
  uint32_t Find(uint32_t glyph) const {
    return glyph < subset_ids_.size() ? subset_ids_[glyph] : kMissing;
  }
  bool Has(uint32_t glyph) const { return Find(glyph) != kMissing; }
  // The full font's ids of the glyphs it holds, and the characters it maps.
  const hb_set_t* glyphs() const { return glyphs_.get(); }
  const hb_set_t* unicodes() const { return unicodes_.get(); }

 private:
  SubsetFont(OwnedCairoFontFace face, std::vector<uint32_t> subset_ids, OwnedHbSet glyphs,
             OwnedHbSet unicodes)
      : face_(std::move(face)),
        subset_ids_(std::move(subset_ids)),
        glyphs_(std::move(glyphs)),
        unicodes_(std::move(unicodes)) {}

  OwnedCairoFontFace face_;
  std::vector<uint32_t> subset_ids_;  // indexed by the full font's id
  OwnedHbSet glyphs_;
  OwnedHbSet unicodes_;
};

}  // namespace pellomar
