// The printing run on an in-memory page built from fuzz data: either exactly
// one complete job, or no job at all and a report.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "base/locale_services.h"
#include "bridge/login_profile.h"
#include "fuzz/fuzz_support.h"
#include "platform/icu/icu_locale_services.h"
#include "receipt/print_receipt.h"
#include "receipt/receipt_layout.h"
#include "tests/fakes/fake_browser_pane.h"
#include "tests/fakes/fixed_clock.h"
#include "tests/fakes/recording_printer.h"

namespace pellomar::fuzz {
namespace {

using testing::FakeBrowserPane;
using testing::RecordingPrinter;

constexpr std::array<std::u16string_view, 7> kIds{u"Ddh", u"tingtaihao", u"waiter", u"syy",
                                                  u"zje", u"sszje",      u"com_tel"};
constexpr std::array<std::u16string_view, 4> kTypes{u"checkbox", u"radio", u"text", u"hidden"};

std::u16string Text(FuzzedDataProvider& input, std::size_t max_length = 32) {
  return FuzzText(input.ConsumeRandomLengthString(max_length));
}

std::u16string Amount(FuzzedDataProvider& input) {
  if (input.ConsumeIntegralInRange(0, 3) == 0) return Text(input, 16);
  return Utf8ToUtf16(std::to_string(input.ConsumeIntegralInRange<int32_t>(-100000, 100000)) + "." +
                     std::to_string(input.ConsumeIntegralInRange(0, 99)));
}

// An item record "name,unit,?,quantity,amount[,...]" of 0..7 fields, or any text.
std::u16string Tag(FuzzedDataProvider& input) {
  if (input.ConsumeIntegralInRange(0, 3) == 0) return Text(input, 64);
  const int fields = input.ConsumeIntegralInRange(0, 7);
  std::u16string tag;
  for (int f = 0; f < fields; ++f) {
    if (f > 0) tag += u',';
    tag += f == 4 ? Amount(input) : Text(input, 12);
  }
  return tag;
}

struct Page {
  DocumentSnapshot top;
  bool refusal_expected = false;        // something the run must refuse, whatever the amounts
  std::vector<std::u16string> amounts;  // zje, sszje and each checked item's
  std::vector<std::u16string> item_names;
};

Page BuildPage(FuzzedDataProvider& input) {
  Page page;
  DocumentSnapshot main;
  for (std::size_t k = 0; k < kIds.size(); ++k) {
    if (input.ConsumeIntegralInRange(0, 15) == 0) {
      page.refusal_expected = true;
      continue;
    }
    const bool amount = kIds[k] == u"zje" || kIds[k] == u"sszje";
    const std::u16string value = amount ? Amount(input) : Text(input);
    main.values_by_id.emplace(kIds[k], value);
    if (amount) page.amounts.push_back(value);
  }
  if (input.ConsumeBool()) {
    // Any other id; one of the receipt's would make a missing value present.
    const std::u16string id = Text(input, 8);
    if (std::find(kIds.begin(), kIds.end(), id) == kIds.end()) {
      main.values_by_id.emplace(id, Text(input));
    }
  }

  const auto inputs = input.ConsumeIntegralInRange(0, 24);
  for (int i = 0; i < inputs && input.remaining_bytes() > 0; ++i) {
    InputSnapshot element;
    const auto type = input.ConsumeIntegralInRange<std::size_t>(0, kTypes.size());
    element.type = type < kTypes.size() ? std::u16string(kTypes[type]) : Text(input, 10);
    element.checked = input.ConsumeBool();
    if (input.ConsumeIntegralInRange(0, 7) != 0) element.tag = Tag(input);
    if (element.type == u"checkbox" && element.checked) {
      const std::vector<std::u16string> fields =
          element.tag ? SplitAt(*element.tag, u',') : std::vector<std::u16string>{};
      if (fields.size() < 5) {
        page.refusal_expected = true;
      } else {
        page.amounts.push_back(fields[4]);
        page.item_names.push_back(fields[0]);
      }
    }
    main.inputs.push_back(std::move(element));
  }

  page.top = testing::ServiceFrameset(u"1", std::move(main));
  if (input.ConsumeIntegralInRange(0, 15) == 0) {
    page.top.frames.erase(u"mainFrame");
    page.refusal_expected = true;
  }
  return page;
}

void CheckReport(const Report& report) {
  FUZZ_REQUIRE(report.notice.starts_with(u"小票未打印："));
  FUZZ_REQUIRE(report.notice.size() > 6);
  FUZZ_REQUIRE(!report.diagnostic.empty() && report.diagnostic.size() <= 400);
  FUZZ_REQUIRE(std::none_of(report.diagnostic.begin(), report.diagnostic.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x20; }));
}

void CheckReceipt(const RecordingPrinter::Job& job, const Page& page) {
  FUZZ_REQUIRE(job.size() == 18 + page.item_names.size());
  FUZZ_REQUIRE(job.front() == u"    ");
  FUZZ_REQUIRE(job.back().starts_with(u"结算时间:"));
  for (std::size_t i = 0; i < page.item_names.size(); ++i) {
    FUZZ_REQUIRE(job[10 + i].starts_with(ClipText(TrimSpaces(page.item_names[i]), 6)));
  }
}

}  // namespace
}  // namespace pellomar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellomar;
  static const std::unique_ptr<LocaleServices> locale = MakeIcuLocaleServices("zh_CN");
  static const testing::FixedClock clock(testing::SampleSettlementTime());
  FuzzedDataProvider input(data, size);

  LoginProfile profile;
  profile.Com_nName = fuzz::Text(input, 12);
  testing::RecordingPrinter printer;
  const bool printer_fails = input.ConsumeIntegralInRange(0, 15) == 0;
  if (printer_fails) printer.next_result = {PrintError::kUnreachable, "no answer"};
  fuzz::Page page = fuzz::BuildPage(input);
  testing::FakeBrowserPane pane;
  pane.top = std::move(page.top);

  const Failure failure = PrintReceipt(ReceiptContext{pane, profile, *locale, clock, printer});

  FUZZ_REQUIRE(printer.open_job.empty());
  const bool amounts_convert =
      std::all_of(page.amounts.begin(), page.amounts.end(),
                  [&](const std::u16string& amount) { return FormatAmount(amount, *locale); });
  FUZZ_REQUIRE(failure.has_value() == (page.refusal_expected || printer_fails || !amounts_convert));
  if (failure) {
    FUZZ_REQUIRE(printer.jobs.empty());
    fuzz::CheckReport(*failure);
    return 0;
  }
  FUZZ_REQUIRE(printer.jobs.size() == 1);
  fuzz::CheckReceipt(printer.jobs.front(), page);
  return 0;
}
