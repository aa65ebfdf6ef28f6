#include "platform/cups/receipt_glyphs.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "platform/cups/receipt_font.h"

namespace pellomar {

namespace {

using OwnedLayoutIter = std::unique_ptr<PangoLayoutIter, ReleaseWith<pango_layout_iter_free>>;
using OwnedGlyphItem = std::unique_ptr<PangoGlyphItem, ReleaseWith<pango_glyph_item_free>>;

// Pango draws neither empty glyphs nor, for missing characters, boxes in
// place of a space.
bool IsDrawnGlyph(PangoGlyph glyph) {
  return glyph != PANGO_GLYPH_EMPTY && (glyph & PANGO_GLYPH_UNKNOWN_FLAG) == 0;
}
bool IsMissingCharacter(PangoGlyph glyph) {
  return (glyph & PANGO_GLYPH_UNKNOWN_FLAG) != 0 && glyph != (0x20 | PANGO_GLYPH_UNKNOWN_FLAG);
}

double FromPangoUnits(int units) { return static_cast<double>(units) / PANGO_SCALE; }

}  // namespace

enum class PieceKind : unsigned char {
  kText,          // glyphs and their clusters, in one subset
  kMissingGlyph,  // Pango's box for a character the font lacks
  kForeignRun,    // a run in another font, drawn by Pango
};

enum class GlyphSource : unsigned char { kAny, kPrepared, kDocument };

struct ReceiptGlyphs::Piece {
  PieceKind kind = PieceKind::kText;
  GlyphSource source = GlyphSource::kAny;
  bool backward = false;                     // right to left: clusters run from the last glyph
  std::size_t font = 0;                      // in fonts_
  std::size_t text_begin = 0, text_end = 0;  // in text_; a foreign run's line start
  std::size_t glyph_begin = 0, glyph_end = 0;
  std::size_t cluster_begin = 0, cluster_end = 0;
  double x = 0, y = 0;  // where Pango starts a missing glyph or a foreign run
  PangoGlyphInfo missing{};
  OwnedGlyphItem foreign;
};

struct ReceiptGlyphs::LineFont {
  GObjectPtr<PangoFont> font;
  OwnedScaledFont prepared, document;
  const SubsetFont* document_subset = nullptr;
};

ReceiptGlyphs::ReceiptGlyphs(hb_face_t* receipt_face, const SubsetFont* prepared)
    : receipt_face_(receipt_face),
      prepared_(prepared),
      missing_glyphs_(hb_set_create()),
      missing_unicodes_(hb_set_create()) {}

ReceiptGlyphs::~ReceiptGlyphs() = default;

void ReceiptGlyphs::AddLine(PangoLayout* layout, std::string_view line, double x, double y) {
  // A line seen before in the document is drawn from the same pieces.
  auto [seen, is_new] = shaped_lines_.try_emplace(line, pieces_.size(), pieces_.size());
  lines_.push_back(
      {.first_piece = seen->second.first, .end_piece = seen->second.second, .x = x, .y = y});
  if (!is_new) return;

  pango_layout_set_text(layout, line.data(), static_cast<int>(line.size()));
  const char* text = pango_layout_get_text(layout);
  const std::size_t line_offset = text_.size();
  text_.append(text);

  // Each line at its logical left and baseline, each run after the last;
  // places are kept from the line's top left corner.
  OwnedLayoutIter lines(pango_layout_get_iter(layout));
  do {
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(lines.get());
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(lines.get(), nullptr, &logical);
    const int baseline = pango_layout_iter_get_baseline(lines.get());
    int x_off = 0;
    for (GSList* link = line->runs; link != nullptr; link = link->next) {
      auto* run = static_cast<PangoGlyphItem*>(link->data);
      x_off += run->start_x_offset;
      AddRun(run, text, line_offset, FromPangoUnits(logical.x + x_off),
             FromPangoUnits(baseline - run->y_offset));
      x_off += pango_glyph_string_get_width(run->glyphs) + run->end_x_offset;
    }
  } while (pango_layout_iter_next_line(lines.get()));
  seen->second.second = pieces_.size();
  lines_.back().end_piece = pieces_.size();
}

void ReceiptGlyphs::AddRun(PangoGlyphItem* run, const char* line_text, std::size_t line_offset,
                           double x, double y) {
  PangoFont* font = run->item->analysis.font;
  PangoGlyphString* glyphs = run->glyphs;
  if (ShapingFace(font) != receipt_face_) {
    Piece piece;
    piece.kind = PieceKind::kForeignRun;
    piece.text_begin = line_offset;
    piece.x = x;
    piece.y = y;
    piece.foreign.reset(pango_glyph_item_copy(run));
    pieces_.push_back(std::move(piece));
    return;
  }
  const std::size_t font_index = FontIndex(font);

  // Every glyph's place, as Pango's cairo renderer works it out; its boxes
  // for missing characters come before the run's glyphs.
  scratch_.resize(static_cast<std::size_t>(glyphs->num_glyphs));
  int x_position = 0;
  for (int i = 0; i < glyphs->num_glyphs; ++i) {
    const PangoGlyphInfo& info = glyphs->glyphs[i];
    const PangoGlyphGeometry& at = info.geometry;
    scratch_[i] = {.index = info.glyph,
                   .x = x + FromPangoUnits(x_position + at.x_offset),
                   .y = at.y_offset == 0 ? y : y + FromPangoUnits(at.y_offset)};
    if (IsMissingCharacter(info.glyph)) {
      Piece piece;
      piece.kind = PieceKind::kMissingGlyph;
      piece.font = font_index;
      piece.x = x + FromPangoUnits(x_position);
      piece.y = y;
      piece.missing = info;
      pieces_.push_back(std::move(piece));
    }
    x_position += at.width;
  }

  // The clusters in text order, cut into pieces where the subset changes.
  // A cluster with nothing to draw (a tab, a missing character) joins the
  // piece it is in, as its text does.
  const bool backward = (run->item->analysis.level & 1) != 0;
  Piece piece;
  int low = INT_MAX, high = INT_MIN;
  auto close_piece = [&] {
    piece.glyph_begin = glyphs_.size();
    for (int i = low; i < high; ++i) {
      if (IsDrawnGlyph(glyphs->glyphs[i].glyph)) glyphs_.push_back(scratch_[i]);
    }
    piece.glyph_end = glyphs_.size();
    piece.cluster_end = clusters_.size();
    pieces_.push_back(std::move(piece));
  };
  PangoGlyphItemIter cluster;
  bool first = true;
  for (bool more = pango_glyph_item_iter_init_start(&cluster, run, line_text); more;
       more = pango_glyph_item_iter_next_cluster(&cluster)) {
    const int from = std::min(cluster.start_glyph, cluster.end_glyph + 1);
    const int to = std::max(cluster.start_glyph + 1, cluster.end_glyph);
    int drawn = 0;
    bool all_prepared = true;
    for (int i = from; i < to; ++i) {
      PangoGlyph glyph = glyphs->glyphs[i].glyph;
      if (!IsDrawnGlyph(glyph)) continue;
      ++drawn;
      if (prepared_ == nullptr || !prepared_->Has(glyph)) all_prepared = false;
    }
    GlyphSource source = GlyphSource::kAny;
    if (drawn > 0) source = all_prepared ? GlyphSource::kPrepared : GlyphSource::kDocument;
    if (source == GlyphSource::kDocument) {
      for (int i = from; i < to; ++i) {
        if (IsDrawnGlyph(glyphs->glyphs[i].glyph)) {
          hb_set_add(missing_glyphs_.get(), glyphs->glyphs[i].glyph);
        }
      }
      const char* end = line_text + cluster.end_index;
      for (const char* c = line_text + cluster.start_index; c < end; c = g_utf8_next_char(c)) {
        hb_set_add(missing_unicodes_.get(), g_utf8_get_char(c));
      }
    }

    if (!first && source != GlyphSource::kAny && piece.source != GlyphSource::kAny &&
        source != piece.source) {
      close_piece();
      piece = Piece();
      low = INT_MAX;
      high = INT_MIN;
      first = true;
    }
    if (first) {
      piece.font = font_index;
      piece.backward = backward;
      piece.text_begin = line_offset + static_cast<std::size_t>(cluster.start_index);
      piece.cluster_begin = clusters_.size();
      first = false;
    }
    if (piece.source == GlyphSource::kAny) piece.source = source;
    piece.text_end = line_offset + static_cast<std::size_t>(cluster.end_index);
    low = std::min(low, from);
    high = std::max(high, to);
    clusters_.push_back(
        {.num_bytes = cluster.end_index - cluster.start_index, .num_glyphs = drawn});
  }
  if (!first) close_piece();
}

std::size_t ReceiptGlyphs::FontIndex(PangoFont* font) {
  for (std::size_t i = fonts_.size(); i-- > 0;) {
    if (fonts_[i]->font.get() == font) return i;
  }
  auto line_font = std::make_unique<LineFont>();
  line_font->font = RetainObject(font);
  fonts_.push_back(std::move(line_font));
  return fonts_.size() - 1;
}

bool ReceiptGlyphs::DrawLines(cairo_t* cr, std::size_t first, std::size_t end,
                              const SubsetFont* document) {
  for (std::size_t line = first; line < end; ++line) {
    const Line& at = lines_[line];
    for (std::size_t i = at.first_piece; i < at.end_piece; ++i) {
      const Piece& piece = pieces_[i];
      if (piece.kind == PieceKind::kText) {
        if (!AddToBatch(cr, piece, at.x, at.y, document)) return false;
      } else {
        if (!DrawBatch(cr)) return false;
        DrawByPango(cr, piece, at.x, at.y);
      }
    }
  }
  return DrawBatch(cr);
}

void ReceiptGlyphs::DrawByPango(cairo_t* cr, const Piece& piece, double x, double y) {
  cairo_move_to(cr, x + piece.x, y + piece.y);
  if (piece.kind == PieceKind::kForeignRun) {
    pango_cairo_show_glyph_item(cr, text_.data() + piece.text_begin, piece.foreign.get());
    sources_.by_pango += static_cast<std::size_t>(piece.foreign->glyphs->num_glyphs);
    return;
  }
  PangoGlyphInfo info = piece.missing;
  int cluster = 0;
  PangoGlyphString one{};
  one.num_glyphs = 1;
  one.glyphs = &info;
  one.log_clusters = &cluster;
  pango_cairo_show_glyph_string(cr, fonts_[piece.font]->font.get(), &one);
  ++sources_.by_pango;
}

// Pieces are drawn together while they share a font and read left to right:
// cairo's cost is as much in each call as in each glyph.
bool ReceiptGlyphs::AddToBatch(cairo_t* cr, const Piece& piece, double x, double y,
                               const SubsetFont* document) {
  // In the subset the glyphs were sorted into, by its own ids; in the full
  // font when that subset is missing or lacks one of them.
  LineFont& font = *fonts_[piece.font];
  const SubsetFont* subset = piece.source == GlyphSource::kDocument ? document : prepared_;
  const std::size_t count = piece.glyph_end - piece.glyph_begin;
  bool in_subset = subset != nullptr;
  for (std::size_t i = piece.glyph_begin; in_subset && i < piece.glyph_end; ++i) {
    in_subset = subset->Has(static_cast<uint32_t>(glyphs_[i].index));
  }
  cairo_scaled_font_t* scaled =
      in_subset ? ScaledFont(font, subset)
                : pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font.font.get()));
  if (scaled == nullptr || cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) return false;
  // Nothing to draw (a tab, a missing character) goes with any font.
  const bool joins = !batch_.clusters.empty() && !batch_.backward &&
                     (count == 0 || (scaled == batch_.font && !piece.backward));
  if (!joins) {
    if (!DrawBatch(cr)) return false;
    batch_.font = scaled;
    batch_.backward = piece.backward;
  }

  for (std::size_t i = piece.glyph_begin; i < piece.glyph_end; ++i) {
    const cairo_glyph_t& glyph = glyphs_[i];
    const auto id = in_subset ? subset->Find(static_cast<uint32_t>(glyph.index)) : glyph.index;
    batch_.glyphs.push_back({.index = id, .x = x + glyph.x, .y = y + glyph.y});
  }
  batch_.clusters.insert(batch_.clusters.end(), clusters_.begin() + piece.cluster_begin,
                         clusters_.begin() + piece.cluster_end);
  batch_.text.append(text_, piece.text_begin, piece.text_end - piece.text_begin);
  if (!in_subset) {
    sources_.whole_font += count;
  } else {
    (subset == prepared_ ? sources_.prepared : sources_.document) += count;
  }
  return true;
}

bool ReceiptGlyphs::DrawBatch(cairo_t* cr) {
  if (batch_.clusters.empty()) return true;
  cairo_set_scaled_font(cr, batch_.font);
  cairo_show_text_glyphs(cr, batch_.text.data(), static_cast<int>(batch_.text.size()),
                         batch_.glyphs.data(), static_cast<int>(batch_.glyphs.size()),
                         batch_.clusters.data(), static_cast<int>(batch_.clusters.size()),
                         batch_.backward ? CAIRO_TEXT_CLUSTER_FLAG_BACKWARD
                                         : static_cast<cairo_text_cluster_flags_t>(0));
  batch_.glyphs.clear();
  batch_.clusters.clear();
  batch_.text.clear();
  return true;
}

// The subset's face at the size, transformation and options of Pango's own
// font for the line.
cairo_scaled_font_t* ReceiptGlyphs::ScaledFont(LineFont& font, const SubsetFont* subset) {
  OwnedScaledFont& slot = subset == prepared_ ? font.prepared : font.document;
  if (subset != prepared_ && font.document_subset != subset) {
    slot.reset();
    font.document_subset = subset;
  }
  if (slot) return slot.get();
  cairo_scaled_font_t* whole = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font.font.get()));
  if (whole == nullptr) return nullptr;
  cairo_matrix_t font_matrix, ctm;
  cairo_scaled_font_get_font_matrix(whole, &font_matrix);
  cairo_scaled_font_get_ctm(whole, &ctm);
  OwnedFontOptions options(cairo_font_options_create());
  cairo_scaled_font_get_font_options(whole, options.get());
  slot.reset(cairo_scaled_font_create(subset->face(), &font_matrix, &ctm, options.get()));
  return slot.get();
}

}  // namespace pellomar
