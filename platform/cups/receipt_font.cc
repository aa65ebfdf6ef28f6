#include "platform/cups/receipt_font.h"

#include <cairo-pdf.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangofc-font.h>
#include <unicode/ucnv.h>

#include <cmath>
#include <string_view>
#include <utility>

#include "platform/cups/receipt_pdf.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace pellomar {

namespace {

// Metrics are linear in the size once hinting is off; measured at this size.
constexpr double kReferenceSize = 100.0;

// A document subset that grows past this many glyphs starts again from the
// next document's alone.
constexpr unsigned int kMaxKeptDocumentGlyphs = 1024;

// The one process-wide font; left to the end of the process unless released,
// like the libraries' own font caches.
ReceiptFont* g_receipt_font = nullptr;

using OwnedConverter = std::unique_ptr<UConverter, ReleaseWith<ucnv_close>>;
using OwnedHbBlob = std::unique_ptr<hb_blob_t, ReleaseWith<hb_blob_destroy>>;

// Adds the characters of GB 2312 rows `first` to `last` (their EUC-CN lead
// bytes, 0xA1 to 0xF7).
bool AddGb2312Rows(hb_set_t* characters, int first, int last) {
  UErrorCode status = U_ZERO_ERROR;
  OwnedConverter converter(ucnv_open("GB2312", &status));
  if (U_FAILURE(status)) return false;
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return false;
  for (int row = first; row <= last; ++row) {
    for (int cell = 0xA1; cell <= 0xFE; ++cell) {
      const char code[2] = {static_cast<char>(row), static_cast<char>(cell)};
      UChar unit[2];
      status = U_ZERO_ERROR;
      int32_t length = ucnv_toUChars(converter.get(), unit, 2, code, 2, &status);
      if (U_SUCCESS(status) && length == 1) hb_set_add(characters, unit[0]);
    }
  }
  return true;
}

// The characters of nearly every receipt: ASCII, Latin-1, the common and
// full-width punctuation, and GB 2312's symbols (rows 1 to 9) and first
// level of characters (rows 16 to 55, the 3,755 most used).
OwnedHbSet PreparedCharacters() {
  OwnedHbSet characters(hb_set_create());
  hb_set_t* set = characters.get();
  hb_set_add_range(set, 0x20, 0x7E);
  hb_set_add_range(set, 0xA0, 0xFF);
  hb_set_add_range(set, 0x2010, 0x2027);  // dashes, quotes, ellipsis
  hb_set_add_range(set, 0x2030, 0x205E);  // per mille, primes, reference mark
  hb_set_add_range(set, 0x20A0, 0x20C0);  // currency signs
  hb_set_add_range(set, 0x3000, 0x303F);  // CJK punctuation
  hb_set_add_range(set, 0xFF01, 0xFFEF);  // full- and half-width forms
  if (!AddGb2312Rows(set, 0xA1, 0xA9) || !AddGb2312Rows(set, 0xB0, 0xD7)) return nullptr;
  return characters;
}

// The glyphs the font's character map gives the characters. Pango's shaping
// gives these for nearly all of them alone; a glyph it substitutes in some
// context goes into the document's own subset.
OwnedHbSet PreparedGlyphs(PangoFont* font, const hb_set_t* characters) {
  OwnedHbSet glyphs(hb_set_create());
  hb_font_t* shaper = pango_font_get_hb_font(font);
  for (hb_codepoint_t c = HB_SET_VALUE_INVALID; hb_set_next(characters, &c);) {
    hb_codepoint_t glyph;
    if (hb_font_get_nominal_glyph(shaper, c, &glyph)) hb_set_add(glyphs.get(), glyph);
  }
  return glyphs;
}

// The face to cut subsets from: the font's file mapped apart from Pango's
// mapping of it, since the subsetter reads most of the file and those pages
// leave the process again with this mapping; Pango's own face when the file
// cannot be had.
OwnedHbFace SubsetSource(PangoFont* font, hb_face_t* shaped) {
  FcChar8* file = nullptr;
  int index = 0;
  if (PANGO_IS_FC_FONT(font)) {
    FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(font));
    if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch) file = nullptr;
    if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  }
  if (file != nullptr) {
    OwnedHbBlob blob(hb_blob_create_from_file_or_fail(reinterpret_cast<const char*>(file)));
    OwnedHbFace face(blob ? hb_face_create(blob.get(), static_cast<unsigned int>(index) & 0xFFFF)
                          : nullptr);
    if (face && hb_face_get_glyph_count(face.get()) == hb_face_get_glyph_count(shaped) &&
        hb_face_get_upem(face.get()) == hb_face_get_upem(shaped)) {
      return face;
    }
  }
  return OwnedHbFace(hb_face_reference(shaped));
}

double LogicalWidth(PangoLayout* layout, std::string_view text) {
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  return static_cast<double>(logical.width) / PANGO_SCALE;
}

// Fontconfig answers any family with its best match; only the named font
// has the double-width Chinese glyphs the columns rely on.
GObjectPtr<PangoFont> LoadReceiptFont(PangoContext* context) {
  OwnedFontDescription wanted = ReceiptFontDescription(kReferenceSize);
  GObjectPtr<PangoFont> font(pango_context_load_font(context, wanted.get()));
  if (!font) return nullptr;
  OwnedFontDescription found(pango_font_describe(font.get()));
  const char* family = pango_font_description_get_family(found.get());
  if (family == nullptr || g_ascii_strcasecmp(family, kReceiptFontFamily) != 0) return nullptr;
  return font;
}

// The advance of one column per point of font size, or nothing when a
// Chinese character is not exactly two columns.
std::optional<double> ColumnAdvancePerPoint(PangoContext* context) {
  OwnedFontDescription font = ReceiptFontDescription(kReferenceSize);
  GObjectPtr<PangoLayout> layout = MakeLineLayout(context, *font);
  double latin = LogicalWidth(layout.get(), "0");
  double chinese = LogicalWidth(layout.get(), "汉");
  if (latin <= 0 || std::abs(chinese - 2 * latin) > 1e-6 * latin) return std::nullopt;
  return latin / kReferenceSize;
}

cairo_status_t DiscardBytes(void*, const unsigned char*, unsigned int) {
  return CAIRO_STATUS_SUCCESS;
}

// The subsetter's working memory is large next to what it leaves; give it
// back to the system rather than keep it in the heap.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace

ReceiptFont* UseReceiptFont(std::string* error) {
  if (g_receipt_font != nullptr) return g_receipt_font;

  auto font = std::make_unique<ReceiptFont>();
  font->font_map_.reset(pango_cairo_font_map_new());
  // Measured as on a PDF page, whose font options the context takes.
  OwnedCairoSurface page(cairo_pdf_surface_create_for_stream(DiscardBytes, nullptr, 100, 100));
  OwnedCairo cr(cairo_create(page.get()));
  GObjectPtr<PangoContext> context = MakeUnhintedContext(font->font_map(), cr.get());

  GObjectPtr<PangoFont> receipt_font = LoadReceiptFont(context.get());
  hb_face_t* face = receipt_font ? ShapingFace(receipt_font.get()) : nullptr;
  if (face == nullptr) {
    *error = std::string("font \"") + kReceiptFontFamily + "\" is not installed";
    return nullptr;
  }
  std::optional<double> advance = ColumnAdvancePerPoint(context.get());
  if (!advance) {
    *error = std::string("font \"") + kReceiptFontFamily +
             "\" does not give Chinese characters two columns";
    return nullptr;
  }
  font->column_advance_per_point_ = *advance;
  font->face_.reset(hb_face_reference(face));
  font->font_ = std::move(receipt_font);

  if (OwnedHbSet characters = PreparedCharacters()) {
    OwnedHbSet glyphs = PreparedGlyphs(font->font_.get(), characters.get());
    OwnedHbFace source = SubsetSource(font->font_.get(), face);
    font->prepared_ = SubsetFont::Make(source.get(), glyphs.get(), characters.get());
  }
  ReturnFreedMemory();
  g_receipt_font = font.release();
  return g_receipt_font;
}

void ReleaseReceiptFont() {
  delete g_receipt_font;
  g_receipt_font = nullptr;
}

const SubsetFont* ReceiptFont::DocumentSubset(const hb_set_t* glyphs, const hb_set_t* unicodes) {
  if (last_document_ && hb_set_is_subset(glyphs, last_document_->glyphs()) &&
      hb_set_is_subset(unicodes, last_document_->unicodes())) {
    return &*last_document_;
  }
  // The kept subset grows with each document's new glyphs, up to a bound.
  OwnedHbSet wanted_glyphs(hb_set_copy(glyphs));
  OwnedHbSet wanted_unicodes(hb_set_copy(unicodes));
  if (last_document_) {
    hb_set_union(wanted_glyphs.get(), last_document_->glyphs());
    hb_set_union(wanted_unicodes.get(), last_document_->unicodes());
    if (hb_set_get_population(wanted_glyphs.get()) > kMaxKeptDocumentGlyphs) {
      wanted_glyphs.reset(hb_set_copy(glyphs));
      wanted_unicodes.reset(hb_set_copy(unicodes));
    }
  }
  last_document_.reset();
  OwnedHbFace source = SubsetSource(font_.get(), face_.get());
  last_document_ = SubsetFont::Make(source.get(), wanted_glyphs.get(), wanted_unicodes.get());
  return last_document_ ? &*last_document_ : nullptr;
}

hb_face_t* ShapingFace(PangoFont* font) {
  hb_font_t* shaper = font == nullptr ? nullptr : pango_font_get_hb_font(font);
  return shaper == nullptr ? nullptr : hb_font_get_face(shaper);
}

GObjectPtr<PangoContext> MakeUnhintedContext(PangoFontMap* fonts, cairo_t* cr) {
  GObjectPtr<PangoContext> context(pango_font_map_create_context(fonts));
  pango_cairo_update_context(cr, context.get());
  OwnedFontOptions options(cairo_font_options_create());
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context.get(), options.get());
  pango_context_set_round_glyph_positions(context.get(), FALSE);
  return context;
}

OwnedFontDescription ReceiptFontDescription(double size) {
  OwnedFontDescription font(pango_font_description_new());
  pango_font_description_set_family(font.get(), kReceiptFontFamily);
  pango_font_description_set_absolute_size(font.get(), size * PANGO_SCALE);
  return font;
}

GObjectPtr<PangoLayout> MakeLineLayout(PangoContext* context, const PangoFontDescription& font) {
  GObjectPtr<PangoLayout> layout(pango_layout_new(context));
  pango_layout_set_font_description(layout.get(), &font);
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  OwnedAttrList attributes(pango_attr_list_new());
  pango_attr_list_insert(attributes.get(), pango_attr_fallback_new(FALSE));
  pango_layout_set_attributes(layout.get(), attributes.get());
  return layout;
}

}  // namespace pellomar
