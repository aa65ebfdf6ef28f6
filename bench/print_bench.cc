// Micro-benchmarks of the printer's two halves: rendering a receipt's lines
// as a PDF, and submitting a finished PDF as one job to the default CUPS
// destination (PRINTER; scripts/bench points it at its capture queue). The
// rendering reports the cost per line at two receipt sizes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/cups/cups_submission.h"
#include "platform/cups/receipt_geometry.h"
#include "platform/cups/receipt_pdf.h"
#include "platform/icu/icu_locale_services.h"
#include "receipt/receipt_layout.h"

namespace pellomar {
namespace {

// 58 mm roll, 210 mm long, no margins: the capture queue's default media.
PageGeometry RollPage() { return PageGeometryFromHundredthsMm(5800, 21000, 0, 0, 0, 0); }

std::vector<std::string> ReceiptLinesUtf8(int items) {
  const std::unique_ptr<LocaleServices> locale = MakeIcuLocaleServices("zh_CN");
  ReceiptData data{u"蓝天小馆", u"20240611-0042", u"大厅 A08", u"王芳",         u"李静",
                   {},          u"1234.5",        u"1300",     u"010-88886666", {}};
  for (int i = 0; i < items; ++i) data.Items.push_back({u"宫保鸡丁", u"份", u"2", u"76"});
  std::vector<std::string> lines;
  for (const std::u16string& line : ReceiptLines(data, *locale).lines) {
    lines.push_back(Utf16ToUtf8(line));
  }
  return lines;
}

void BM_RenderReceiptPdf(benchmark::State& state) {
  const std::vector<std::string> lines = ReceiptLinesUtf8(static_cast<int>(state.range(0)));
  const PageGeometry page = RollPage();
  if (!RenderReceiptPdf(lines, page).ok()) state.SkipWithError("the receipt does not render");
  for (auto _ : state) {
    ReceiptPdf pdf = RenderReceiptPdf(lines, page);
    benchmark::DoNotOptimize(pdf);
  }
  state.SetComplexityN(static_cast<int64_t>(lines.size()));
  state.counters["per_line"] = benchmark::Counter(
      static_cast<double>(lines.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RenderReceiptPdf)
    ->Arg(12)
    ->Arg(200)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One job of a ready 12-item receipt on the kept connection and destination
// (looked up in the first iteration): the destination's state asked, job
// creation and the document. Wall time, since most of it is waiting on the
// scheduler.
void BM_SubmitReceiptJob(benchmark::State& state) {
  const ReceiptPdf pdf = RenderReceiptPdf(ReceiptLinesUtf8(12), RollPage());
  const PrintDocument document{
      .bytes = pdf.document, .format = "application/pdf", .media = {}, .failure = {}};
  CupsSubmitter submitter;
  for (auto _ : state) {
    PrintResult result =
        submitter.Submit("消费小票 bench", [&](const PaperChoice&) { return document; });
    if (!result.ok()) {
      state.SkipWithError(result.detail.c_str());
      break;
    }
  }
}
BENCHMARK(BM_SubmitReceiptJob)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

}  // namespace
}  // namespace pellomar

BENCHMARK_MAIN();
