// The glyphs of a receipt's lines as Pango lays them out in the receipt font,
// kept with their positions, clusters and text, and drawn later in a subset
// of the font: the process's prepared subset, or the document's own subset
// of whatever glyphs that one lacks. Drawing by id at Pango's positions
// keeps the columns exactly as Pango sets them, and the clusters keep the
// PDF's text extractable as if Pango had drawn it. Characters the font lacks
// and runs in any other font are drawn by Pango itself.
#pragma once

#include <cairo.h>
#include <hb.h>
#include <pango/pangocairo.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/cups/font_subset.h"
#include "platform/cups/owned_handles.h"
#include "platform/cups/receipt_pdf.h"

namespace pellomar {

class ReceiptGlyphs {
 public:
  // `receipt_face` is the font Pango shapes the receipt in; `prepared` may
  // be null.
  ReceiptGlyphs(hb_face_t* receipt_face, const SubsetFont* prepared);
  ReceiptGlyphs(const ReceiptGlyphs&) = delete;
  ReceiptGlyphs& operator=(const ReceiptGlyphs&) = delete;
  ~ReceiptGlyphs();

  // Lays `line` out in `layout` as the next line, its top left corner at
  // (x, y) on its page, and takes its glyphs. `line` must stay as long as
  // this does.
  void AddLine(PangoLayout* layout, std::string_view line, double x, double y);

  // The glyphs the prepared subset lacks, and the characters they show.
  const hb_set_t* missing_glyphs() const { return missing_glyphs_.get(); }
  const hb_set_t* missing_unicodes() const { return missing_unicodes_.get(); }

  // Draws lines `first` to `end` (not included) on the current page;
  // `document` holds the missing glyphs (when null, they are drawn from the
  // full font). False when a font could not be had.
  bool DrawLines(cairo_t* cr, std::size_t first, std::size_t end, const SubsetFont* document);

  const ReceiptGlyphSources& sources() const { return sources_; }

 private:
  struct Piece;
  struct LineFont;
  struct Line {
    std::size_t first_piece = 0, end_piece = 0;
    double x = 0, y = 0;
  };

  void AddRun(PangoGlyphItem* run, const char* line_text, std::size_t line_offset, double x,
              double y);
  std::size_t FontIndex(PangoFont* font);
  void DrawByPango(cairo_t* cr, const Piece& piece, double x, double y);
  bool AddToBatch(cairo_t* cr, const Piece& piece, double x, double y, const SubsetFont* document);
  bool DrawBatch(cairo_t* cr);
  cairo_scaled_font_t* ScaledFont(LineFont& font, const SubsetFont* subset);

  hb_face_t* receipt_face_;
  const SubsetFont* prepared_;
  std::string text_;                   // every line's text, one after the other
  std::vector<cairo_glyph_t> glyphs_;  // full font's ids, at their places in their line
  std::vector<cairo_text_cluster_t> clusters_;
  std::vector<Piece> pieces_;  // in drawing order
  std::vector<Line> lines_;
  // Each line's text and pieces, the first time it was laid out.
  std::unordered_map<std::string_view, std::pair<std::size_t, std::size_t>> shaped_lines_;
  std::vector<std::unique_ptr<LineFont>> fonts_;
  OwnedHbSet missing_glyphs_;
  OwnedHbSet missing_unicodes_;
  std::vector<cairo_glyph_t> scratch_;
  struct {
    cairo_scaled_font_t* font = nullptr;
    bool backward = false;
    std::vector<cairo_glyph_t> glyphs;  // the subset's ids, on the page
    std::vector<cairo_text_cluster_t> clusters;
    std::string text;
  } batch_;
  ReceiptGlyphSources sources_;
};

}  // namespace pellomar
