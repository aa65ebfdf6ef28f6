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

void ReceiptGlyphs::AddLine(PangoLayout* layout, double x, double y) {
  const char* text = pango_layout_get_text(layout);
  const std::size_t line_offset = text_.size();
  text_.append(text);
  line_starts_.push_back(pieces_.size());

  // Each line at its logical left and baseline, each run after the last.
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
      AddRun(run, text, line_offset, x + FromPangoUnits(logical.x + x_off),
             y + FromPangoUnits(baseline - run->y_offset));
      x_off += pango_glyph_string_get_width(run->glyphs) + run->end_x_offset;
    }
  } while (pango_layout_iter_next_line(lines.get()));
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
    sources_.by_pango += static_cast<std::size_t>(glyphs->num_glyphs);
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
      ++sources_.by_pango;
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

bool ReceiptGlyphs::DrawLine(cairo_t* cr, std::size_t line, const SubsetFont* document) {
  const std::size_t end = line + 1 < line_starts_.size() ? line_starts_[line + 1] : pieces_.size();
  for (std::size_t i = line_starts_[line]; i < end; ++i) {
    if (!DrawPiece(cr, pieces_[i], document)) return false;
  }
  return true;
}

bool ReceiptGlyphs::DrawPiece(cairo_t* cr, const Piece& piece, const SubsetFont* document) {
  if (piece.kind == PieceKind::kForeignRun) {
    cairo_move_to(cr, piece.x, piece.y);
    pango_cairo_show_glyph_item(cr, text_.data() + piece.text_begin, piece.foreign.get());
    return true;
  }
  LineFont& font = *fonts_[piece.font];
  if (piece.kind == PieceKind::kMissingGlyph) {
    PangoGlyphInfo info = piece.missing;
    int cluster = 0;
    PangoGlyphString one{};
    one.num_glyphs = 1;
    one.glyphs = &info;
    one.log_clusters = &cluster;
    cairo_move_to(cr, piece.x, piece.y);
    pango_cairo_show_glyph_string(cr, font.font.get(), &one);
    return true;
  }

  // In the subset the glyphs were sorted into, by its own ids; in the full
  // font when that subset is missing or lacks one of them.
  const SubsetFont* subset = piece.source == GlyphSource::kDocument ? document : prepared_;
  const std::size_t count = piece.glyph_end - piece.glyph_begin;
  scratch_.assign(glyphs_.begin() + piece.glyph_begin, glyphs_.begin() + piece.glyph_end);
  bool in_subset = subset != nullptr && count > 0;
  for (std::size_t i = 0; in_subset && i < count; ++i) {
    uint32_t id = subset->Find(static_cast<uint32_t>(scratch_[i].index));
    in_subset = id != SubsetFont::kMissing;
    scratch_[i].index = id;
  }
  cairo_scaled_font_t* scaled = nullptr;
  if (in_subset) {
    scaled = ScaledFont(font, subset);
    (subset == prepared_ ? sources_.prepared : sources_.document) += count;
  } else {
    scratch_.assign(glyphs_.begin() + piece.glyph_begin, glyphs_.begin() + piece.glyph_end);
    scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font.font.get()));
    sources_.whole_font += count;
  }
  if (scaled == nullptr || cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) return false;
  cairo_set_scaled_font(cr, scaled);
  cairo_show_text_glyphs(cr, text_.data() + piece.text_begin,
                         static_cast<int>(piece.text_end - piece.text_begin), scratch_.data(),
                         static_cast<int>(count), clusters_.data() + piece.cluster_begin,
                         static_cast<int>(piece.cluster_end - piece.cluster_begin),
                         piece.backward ? CAIRO_TEXT_CLUSTER_FLAG_BACKWARD
                                        : static_cast<cairo_text_cluster_flags_t>(0));
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
