// Micro-benchmarks of the printer's two halves: rendering a receipt's lines
// as a PDF, and submitting a finished PDF as one job to the default CUPS
// destination (PRINTER; scripts/bench points it at its capture queue). The
// rendering reports the cost per line at two receipt sizes.
#include <benchmark/benchmark.h>

#include <iterator>
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

// A receipt of `items` items: the same item again and again, or with
// `distinct` items every line different (dishes of a menu, each quantity
// and amount its own), so that no item line is laid out twice.
std::vector<std::string> ReceiptLinesUtf8(int items, bool distinct = false) {
  static const char16_t* const kMenu[] = {u"宫保鸡丁",   u"鱼香肉丝",   u"麻婆豆腐", u"回锅肉",
                                          u"水煮鱼",     u"酸菜鱼",     u"东坡肘子", u"夫妻肺片",
                                          u"蒜蓉西兰花", u"干煸四季豆", u"米饭",     u"酸梅汤"};
  const std::unique_ptr<LocaleServices> locale = MakeIcuLocaleServices("zh_CN");
  ReceiptData data{u"蓝天小馆", u"20240611-0042", u"大厅 A08", u"王芳",         u"李静",
                   {},          u"1234.5",        u"1300",     u"010-88886666", {}};
  for (int i = 0; i < items; ++i) {
    if (!distinct) {
      data.Items.push_back({u"宫保鸡丁", u"份", u"2", u"76"});
      continue;
    }
    data.Items.push_back({kMenu[i % std::size(kMenu)], u"份",
                          Utf8ToUtf16(std::to_string(1 + i % 9)),
                          Utf8ToUtf16(std::to_string(10 + i) + ".5")});
  }
  std::vector<std::string> lines;
  for (const std::u16string& line : ReceiptLines(data, *locale).lines) {
    lines.push_back(Utf16ToUtf8(line));
  }
  return lines;
}

void RenderLines(benchmark::State& state, const std::vector<std::string>& lines) {
  const PageGeometry page = RollPage();
  const ReceiptPdf first = RenderReceiptPdf(lines, page);
  if (!first.ok()) state.SkipWithError("the receipt does not render");
  for (auto _ : state) {
    ReceiptPdf pdf = RenderReceiptPdf(lines, page);
    benchmark::DoNotOptimize(pdf);
  }
  state.SetComplexityN(static_cast<int64_t>(lines.size()));
  state.counters["per_line"] = benchmark::Counter(
      static_cast<double>(lines.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  // Where the glyphs came from: all from the prepared subset is the quick way.
  state.counters["prepared_glyphs"] = static_cast<double>(first.glyphs.prepared);
  state.counters["other_glyphs"] =
      static_cast<double>(first.glyphs.document + first.glyphs.whole_font + first.glyphs.by_pango);
}

void BM_RenderReceiptPdf(benchmark::State& state) {
  RenderLines(state, ReceiptLinesUtf8(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_RenderReceiptPdf)
    ->Arg(12)
    ->Arg(200)
    ->Arg(6667)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_RenderDistinctLines(benchmark::State& state) {
  RenderLines(state, ReceiptLinesUtf8(static_cast<int>(state.range(0)), true));
}
BENCHMARK(BM_RenderDistinctLines)
    ->Arg(12)
    ->Arg(200)
    ->Arg(6667)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The one-time work, done again in a process that has done it before (the
// libraries' own caches stay): what PrepareReceiptFonts() costs in idle time.
void BM_PrepareReceiptFonts(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ReleaseReceiptFonts();
    state.ResumeTiming();
    PrepareReceiptFonts();
  }
}
BENCHMARK(BM_PrepareReceiptFonts)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first 12-item receipt after the preparation: beside a warm one above.
void BM_FirstReceiptAfterPreparing(benchmark::State& state) {
  const std::vector<std::string> lines = ReceiptLinesUtf8(12);
  for (auto _ : state) {
    state.PauseTiming();
    ReleaseReceiptFonts();
    PrepareReceiptFonts();
    state.ResumeTiming();
    ReceiptPdf pdf = RenderReceiptPdf(lines, RollPage());
    benchmark::DoNotOptimize(pdf);
  }
}
BENCHMARK(BM_FirstReceiptAfterPreparing)->Unit(benchmark::kMillisecond)->UseRealTime();

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
