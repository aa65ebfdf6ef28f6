#include "platform/cups/receipt_pdf.h"

#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "base/text.h"
#include "platform/cups/owned_handles.h"
#include "platform/cups/receipt_font.h"
#include "platform/cups/receipt_glyphs.h"

namespace pellomar {

namespace {

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
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
  return ReceiptPdf{.document = {}, .error = std::move(error), .page_height = 0, .glyphs = {}};
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
  std::string font_error;
  ReceiptFont* receipt_font = UseReceiptFont(&font_error);
  if (receipt_font == nullptr) return RenderFailure(font_error);

  std::string document;
  OwnedCairoSurface surface(
      cairo_pdf_surface_create_for_stream(AppendToString, &document, page.width, page.height));
  if (cairo_status_t status = cairo_surface_status(surface.get()); status != CAIRO_STATUS_SUCCESS) {
    return RenderFailure(CairoError(status));
  }
  OwnedCairo cr(cairo_create(surface.get()));
  GObjectPtr<PangoContext> context = MakeUnhintedContext(receipt_font->font_map(), cr.get());
  OwnedFontDescription font = ReceiptFontDescription(
      ReceiptFontSize(page.PrintableWidth(), receipt_font->column_advance_per_point()));
  const double line_height = LineHeight(context.get(), *font);
  if (cut_from_roll) {
    page.height = CutPageHeight(lines.size(), line_height, page, *cut_from_roll);
    cairo_pdf_surface_set_size(surface.get(), page.width, page.height);
  }
  const std::size_t per_page = LinesPerPage(page.PrintableHeight(), line_height);
  GObjectPtr<PangoLayout> layout = MakeLineLayout(context.get(), *font);

  // Every line is laid out before any is drawn, so that the glyphs the
  // prepared subset lacks are known, and put in one subset, first. A line
  // repeated (a rule, an item ordered again) is laid out once.
  ReceiptGlyphs glyphs(receipt_font->face(), receipt_font->prepared());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    glyphs.AddLine(layout.get(), lines[i], page.left, page.top + (i % per_page) * line_height);
  }
  const SubsetFont* document_subset = nullptr;
  if (!hb_set_is_empty(glyphs.missing_glyphs())) {
    document_subset =
        receipt_font->DocumentSubset(glyphs.missing_glyphs(), glyphs.missing_unicodes());
  }
  bool drawn = true;
  for (std::size_t first = 0; drawn && first < lines.size(); first += per_page) {
    if (first > 0) cairo_show_page(cr.get());
    drawn = glyphs.DrawLines(cr.get(), first, std::min(first + per_page, lines.size()),
                             document_subset);
  }

  cairo_status_t status = cairo_status(cr.get());
  cr.reset();
  cairo_surface_finish(surface.get());
  cairo_status_t finished = cairo_surface_status(surface.get());
  if (!drawn) return RenderFailure("the receipt font could not be drawn");
  if (status != CAIRO_STATUS_SUCCESS) return RenderFailure(CairoError(status));
  if (finished != CAIRO_STATUS_SUCCESS) return RenderFailure(CairoError(finished));
  return ReceiptPdf{.document = std::move(document),
                    .error = {},
                    .page_height = page.height,
                    .glyphs = glyphs.sources()};
}

void PrepareReceiptFonts(const PageGeometry& page) {
  // A first receipt, thrown away, also fills what the libraries keep after
  // their first use of the font at the page's size: most of all each
  // glyph's outline, so it shows the characters every receipt has.
  RenderReceiptPdf({Utf16ToUtf8(kReceiptHeader), Utf16ToUtf8(kReceiptRule),
                    "消费小票 单号:厅台号:服务员:收银员:小计:应收金额:实收金额:元",
                    "期待您再次光临！预订电话:结算时间:年月日时分秒上下午星期",
                    "0123456789 .,:;-+/()#*% 份个碗杯瓶盘只斤位套"},
                   page);
}

void ReleaseReceiptFonts() { ReleaseReceiptFont(); }

}  // namespace pellomar
