// Micro-benchmarks of the core's text work: each runs at two or more input
// sizes and reports the cost per item ("per_item", time per receipt item,
// profile pair, input element or byte), which stays flat when the cost grows
// linearly with the input.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "base/locale_services.h"
#include "bridge/login_profile.h"
#include "bridge/page_dispatch.h"
#include "bridge/page_snapshot_codec.h"
#include "platform/icu/icu_locale_services.h"
#include "receipt/receipt_layout.h"

namespace pellomar {
namespace {

const LocaleServices& ChineseLocale() {
  static const std::unique_ptr<LocaleServices> locale = MakeIcuLocaleServices("zh_CN");
  return *locale;
}

void ReportPerItem(benchmark::State& state, int64_t items) {
  state.SetComplexityN(items);
  state.counters["per_item"] =
      benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

ReceiptData Receipt(int items) {
  ReceiptData data{
      u"蓝天小馆总店", u"20240611-0042",
      u"大厅 A08",     u"王芳",
      u"李静",         {},
      u"1234.5",       u"1300",
      u"010-88886666", std::chrono::system_clock::time_point(std::chrono::seconds(1718000000))};
  const char16_t* names[] = {u"宫保鸡丁", u"麻婆豆腐", u"Tea", u"清蒸鲈鱼配时蔬", u"米饭"};
  for (int i = 0; i < items; ++i) {
    data.Items.push_back(ReceiptItem{names[i % 5], u"份", std::u16string(u" ") + u"2 ",
                                     std::u16string(i % 3 ? u"38" : u"1288.5")});
  }
  return data;
}

// Composing a whole receipt of N items, numbers and date under zh_CN.
void BM_ReceiptLines(benchmark::State& state) {
  const ReceiptData data = Receipt(static_cast<int>(state.range(0)));
  const LocaleServices& locale = ChineseLocale();
  for (auto _ : state) {
    ReceiptLinesResult result = ReceiptLines(data, locale);
    benchmark::DoNotOptimize(result);
  }
  ReportPerItem(state, state.range(0));
}
BENCHMARK(BM_ReceiptLines)->Arg(1)->Arg(50)->Arg(1000)->Complexity(benchmark::oN);

std::u16string ProfileText(int pairs) {
  const char16_t* keys[] = {u"Com_UserName", u"Sta_UserName", u"Com_Lx",
                            u"Com_Name",     u"Com_nName",    u"Com_Tel",
                            u"Com_Mob",      u"Sta_RealName", u"Sta_Qx"};
  std::u16string text;
  for (int i = 0; i < pairs; ++i) {
    if (i > 0) text += u'&';
    text += keys[i % 9];
    text += u"=值";
    text += std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
  }
  return text;
}

// Replacing the profile from a key/value text of N pairs.
void BM_ApplyProfileText(benchmark::State& state) {
  const std::u16string text = ProfileText(static_cast<int>(state.range(0)));
  const LocaleServices& locale = ChineseLocale();
  LoginProfile profile;
  for (auto _ : state) {
    ApplyProfileText(text, profile, locale);
    benchmark::DoNotOptimize(profile);
  }
  ReportPerItem(state, state.range(0));
}
BENCHMARK(BM_ApplyProfileText)
    ->Arg(9)
    ->Arg(100000)
    ->Arg(1000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// A command "2" body as the serializer writes it: escaped ampersands, and a
// comma every few dozen characters.
std::u16string CommandMarkup(std::size_t bytes) {
  const std::u16string chunk =
      u"2,Com_nName=蓝天&amp;Com_Tel=010-8888&lt;6666&gt;&amp;x=&quot;y&quot;";
  std::u16string text;
  text.reserve(bytes / 2 + chunk.size());
  while (text.size() * 2 < bytes) text += chunk;
  return text;
}

// Unescaping and splitting the middle frame's body of N bytes (UTF-16).
void BM_PageCommandFromBodyMarkup(benchmark::State& state) {
  const std::u16string markup = CommandMarkup(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    PageCommand command = PageCommand::FromBodyMarkup(markup);
    benchmark::DoNotOptimize(command);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  ReportPerItem(state, state.range(0));
}
BENCHMARK(BM_PageCommandFromBodyMarkup)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// A print page's completion message whose main frame has N inputs, one in
// four a checked item checkbox with its Tag.
std::string CompletionJson(int inputs) {
  DocumentSnapshot main;
  main.url = u"http://127.0.0.1:8077/member/main/order.asp?table=A08";
  main.body_html = u"<form>…</form>";
  for (const char16_t* id :
       {u"Ddh", u"tingtaihao", u"waiter", u"syy", u"zje", u"sszje", u"com_tel"}) {
    main.values_by_id[id] = u"值";
  }
  for (int i = 0; i < inputs; ++i) {
    if (i % 4 == 0) {
      main.inputs.push_back({u"checkbox", true, u"宫保鸡丁,份,12,2,76.00,x"});
    } else if (i % 4 == 1) {
      main.inputs.push_back({u"checkbox", false, u"米饭,碗,3,1,2.00"});
    } else {
      main.inputs.push_back({u"text", false, std::nullopt});
    }
  }
  DocumentSnapshot middle;
  middle.url = u"http://127.0.0.1:8077/member/main/command.asp";
  middle.body_html = u"1";
  CompletionMessage message;
  message.url = u"http://127.0.0.1:8077/member/main/print.asp";
  message.top.emplace();
  message.top->url = message.url;
  message.top->frames[u"middleFrame"] = middle;
  message.top->frames[u"mainFrame"] = main;
  return EncodeCompletion(message);
}

// Decoding the captured page model of a completion with N inputs.
void BM_DecodeCompletion(benchmark::State& state) {
  const std::string json = CompletionJson(static_cast<int>(state.range(0)));
  if (!DecodeCompletion(json)) state.SkipWithError("the message does not decode");
  for (auto _ : state) {
    std::optional<CompletionMessage> message = DecodeCompletion(json);
    benchmark::DoNotOptimize(message);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * json.size()));
  ReportPerItem(state, state.range(0));
}
BENCHMARK(BM_DecodeCompletion)
    ->Arg(10000)
    ->Arg(100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pellomar

BENCHMARK_MAIN();
