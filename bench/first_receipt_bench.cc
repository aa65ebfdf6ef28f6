// first_receipt_bench [cold|prepared|prepared-render] [RECEIPTS]: the first
// receipt of a fresh process beside the warm ones after it, on the default
// CUPS destination (PRINTER). Each receipt of 12 items is composed (the
// locale's number and date formats) and ended as one job; both are timed.
//   cold             nothing is done ahead of the first receipt
//   prepared         what the client does once its home page has loaded:
//                    one amount and one date formatted, the printer prepared
//   prepared-render  as prepared, and one whole receipt rendered and thrown
//                    away, standing in for a preparation of the rendering
// The process then idles 200 ms, as the client does while the staff read
// the page. One line of figures per process; scripts run it several times.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "platform/cups/cups_page_printer.h"
#include "platform/cups/receipt_geometry.h"
#include "platform/cups/receipt_pdf.h"
#include "platform/icu/icu_locale_services.h"
#include "receipt/receipt_layout.h"

namespace pellomar {
namespace {

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

struct Timed {
  double compose_ms = 0;
  double end_ms = 0;
  bool ok = false;
};

ReceiptData Receipt(int n) {
  ReceiptData data{u"蓝天小馆",     u"bench-" + std::u16string(1, u'0' + n % 10),
                   u"大厅 A08",     u"王芳",
                   u"李静",         {},
                   u"1234.5",       u"1300",
                   u"010-88886666", std::chrono::system_clock::now()};
  for (int i = 0; i < 12; ++i) data.Items.push_back({u"宫保鸡丁", u"份", u"2", u"76"});
  return data;
}

Timed PrintOne(PagePrinter& printer, const LocaleServices& locale, int n) {
  const ReceiptData data = Receipt(n);
  Timed timed;
  const auto start = std::chrono::steady_clock::now();
  const ReceiptLinesResult receipt = ReceiptLines(data, locale);
  timed.compose_ms = MsSince(start);
  if (receipt.error) return timed;
  for (const std::u16string& line : receipt.lines) printer.PrintLine(line);
  const auto end_start = std::chrono::steady_clock::now();
  const PrintResult result = printer.EndDocument();
  timed.end_ms = MsSince(end_start);
  timed.ok = result.ok();
  if (!result.ok()) std::fprintf(stderr, "first_receipt_bench: %s\n", result.detail.c_str());
  return timed;
}

int Main(const std::string& mode, int receipts) {
  const std::unique_ptr<LocaleServices> locale = MakeUserLocaleServices();
  const std::unique_ptr<PagePrinter> printer = MakeCupsPagePrinter();
  double prepare_ms = 0;
  if (mode != "cold") {
    const auto start = std::chrono::steady_clock::now();
    if (const std::optional<DecimalNumber> amount = locale->ParseNumber(u"1234.5")) {
      locale->FormatTwoDecimals(*amount);
    }
    locale->FormatDateTime(std::chrono::system_clock::now());
    printer->Prepare();
    if (mode == "prepared-render") {
      std::vector<std::string> lines;
      for (const std::u16string& line : ReceiptLines(Receipt(0), *locale).lines) {
        lines.push_back(Utf16ToUtf8(line));
      }
      RenderReceiptPdf(lines, PageGeometryFromHundredthsMm(5800, 21000, 0, 0, 0, 0));
    }
    prepare_ms = MsSince(start);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  const Timed first = PrintOne(*printer, *locale, 0);
  std::vector<double> compose, end;
  for (int n = 1; n < receipts; ++n) {
    const Timed warm = PrintOne(*printer, *locale, n);
    if (!warm.ok) return 1;
    compose.push_back(warm.compose_ms);
    end.push_back(warm.end_ms);
  }
  if (!first.ok) return 1;
  std::printf(
      "%-16s prepare %6.2f ms | first: compose %6.2f end %6.2f total %6.2f | warm median: "
      "compose %5.2f end %5.2f total %5.2f | first/warm %4.2f\n",
      mode.c_str(), prepare_ms, first.compose_ms, first.end_ms, first.compose_ms + first.end_ms,
      Median(compose), Median(end), Median(compose) + Median(end),
      (first.compose_ms + first.end_ms) / (Median(compose) + Median(end)));
  return 0;
}

}  // namespace
}  // namespace pellomar

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "cold";
  const int receipts = argc > 2 ? std::atoi(argv[2]) : 21;
  if ((mode != "cold" && mode != "prepared" && mode != "prepared-render") || receipts < 2) {
    std::fprintf(stderr, "usage: first_receipt_bench [cold|prepared|prepared-render] [RECEIPTS]\n");
    return 2;
  }
  return pellomar::Main(mode, receipts);
}
