#include "platform/cups/receipt_pdf.h"

#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/cups/owned_handles.h"

namespace pellomar {

namespace {

// Metrics are linear in the size once hinting is off; measured at this size.
constexpr double kReferenceSize = 100.0;

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// Exact columns need outlines at their true advances: no hinting of outlines
// or metrics, and no snapping of glyph positions to whole device units.
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

OwnedFontDescription ReceiptFont(double size) {
  OwnedFontDescription font(pango_font_description_new());
  pango_font_description_set_family(font.get(), kReceiptFontFamily);
  pango_font_description_set_absolute_size(font.get(), size * PANGO_SCALE);
  return font;
}

// A layout that shows each line as it is: one paragraph (a stray line break
// is drawn, not obeyed) and no glyphs from other fonts, which would break the
// columns.
GObjectPtr<PangoLayout> MakeLineLayout(PangoContext* context, const PangoFontDescription& font) {
  GObjectPtr<PangoLayout> layout(pango_layout_new(context));
  pango_layout_set_font_description(layout.get(), &font);
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  OwnedAttrList attributes(pango_attr_list_new());
  pango_attr_list_insert(attributes.get(), pango_attr_fallback_new(FALSE));
  pango_layout_set_attributes(layout.get(), attributes.get());
  return layout;
}

double LogicalWidth(PangoLayout* layout, std::string_view text) {
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  return static_cast<double>(logical.width) / PANGO_SCALE;
}

// Fontconfig answers any family with its best match; only the named font
// has the double-width Chinese glyphs the columns rely on.
bool ReceiptFontInstalled(PangoContext* context) {
  OwnedFontDescription wanted = ReceiptFont(kReferenceSize);
  GObjectPtr<PangoFont> font(pango_context_load_font(context, wanted.get()));
  if (!font) return false;
  OwnedFontDescription found(pango_font_describe(font.get()));
  const char* family = pango_font_description_get_family(found.get());
  return family != nullptr && g_ascii_strcasecmp(family, kReceiptFontFamily) == 0;
}

// The advance of one column (a Latin character) per point of font size, or
// nothing when a Chinese character is not exactly two columns.
std::optional<double> ColumnAdvancePerPoint(PangoContext* context) {
  OwnedFontDescription font = ReceiptFont(kReferenceSize);
  GObjectPtr<PangoLayout> layout = MakeLineLayout(context, *font);
  double latin = LogicalWidth(layout.get(), "0");
  double chinese = LogicalWidth(layout.get(), "汉");
  if (latin <= 0 || std::abs(chinese - 2 * latin) > 1e-6 * latin) return std::nullopt;
  return latin / kReferenceSize;
}

double LineHeight(PangoContext* context, const PangoFontDescription& font) {
  OwnedFontMetrics metrics(pango_context_get_metrics(context, &font, nullptr));
  int height = pango_font_metrics_get_height(metrics.get());
  if (height <= 0) {
    height = pango_font_metrics_get_ascent(metrics.get()) +
             pango_font_metrics_get_descent(metrics.get());
  }
  return static_cast<double>(height) / PANGO_SCALE;
}

ReceiptPdf RenderFailure(std::string error) {
  return ReceiptPdf{.document = {}, .error = std::move(error)};
}

std::string CairoError(cairo_status_t status) {
  return std::string("cairo: ") + cairo_status_to_string(status);
}

}  // namespace

ReceiptPdf RenderReceiptPdf(const std::vector<std::string>& lines,
                            const PageGeometry& roll_or_sheet,
                            std::optional<double> cut_from_roll) {
  PageGeometry page = roll_or_sheet;
  if (page.PrintableWidth() <= 0 || page.PrintableHeight() <= 0) {
    return RenderFailure("the page has no printable area");
  }
  std::string document;
  OwnedCairoSurface surface(
      cairo_pdf_surface_create_for_stream(AppendToString, &document, page.width, page.height));
  if (cairo_status_t status = cairo_surface_status(surface.get()); status != CAIRO_STATUS_SUCCESS) {
    return RenderFailure(CairoError(status));
  }
  OwnedCairo cr(cairo_create(surface.get()));
  // A font map of this document's own rather than the process-wide one, so
  // that its font caches go with the document.
  GObjectPtr<PangoFontMap> fonts(pango_cairo_font_map_new());
  GObjectPtr<PangoContext> context = MakeUnhintedContext(fonts.get(), cr.get());

  if (!ReceiptFontInstalled(context.get())) {
    return RenderFailure(std::string("font \"") + kReceiptFontFamily + "\" is not installed");
  }
  std::optional<double> advance = ColumnAdvancePerPoint(context.get());
  if (!advance) {
    return RenderFailure(std::string("font \"") + kReceiptFontFamily +
                         "\" does not give Chinese characters two columns");
  }
  OwnedFontDescription font = ReceiptFont(ReceiptFontSize(page.PrintableWidth(), *advance));
  const double line_height = LineHeight(context.get(), *font);
  if (cut_from_roll) {
    page.height = CutPageHeight(lines.size(), line_height, page, *cut_from_roll);
    cairo_pdf_surface_set_size(surface.get(), page.width, page.height);
  }
  const std::size_t per_page = LinesPerPage(page.PrintableHeight(), line_height);
  GObjectPtr<PangoLayout> layout = MakeLineLayout(context.get(), *font);

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t row = i % per_page;
    if (row == 0 && i > 0) cairo_show_page(cr.get());
    pango_layout_set_text(layout.get(), lines[i].data(), static_cast<int>(lines[i].size()));
    cairo_move_to(cr.get(), page.left, page.top + row * line_height);
    pango_cairo_show_layout(cr.get(), layout.get());
  }

  cairo_status_t drawn = cairo_status(cr.get());
  cr.reset();
  cairo_surface_finish(surface.get());
  cairo_status_t finished = cairo_surface_status(surface.get());
  if (drawn != CAIRO_STATUS_SUCCESS) return RenderFailure(CairoError(drawn));
  if (finished != CAIRO_STATUS_SUCCESS) return RenderFailure(CairoError(finished));
  return ReceiptPdf{.document = std::move(document), .error = {}, .page_height = page.height};
}

}  // namespace pellomar
