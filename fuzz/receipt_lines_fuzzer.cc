// The receipt composed from arbitrary ReceiptData under zh_CN.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/locale_services.h"
#include "fuzz/fuzz_support.h"
#include "platform/icu/icu_locale_services.h"
#include "receipt/receipt_layout.h"

namespace pellomar::fuzz {
namespace {

constexpr std::size_t kFixedLines = 18;
constexpr std::size_t kFirstItemLine = 10;

std::u16string Text(FuzzedDataProvider& input, std::size_t max_length = 40) {
  return FuzzText(input.ConsumeRandomLengthString(max_length));
}

// Mostly numbers, so that most receipts get composed; sometimes any text.
std::u16string Amount(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return Text(input, 24);
  const auto cents = input.ConsumeIntegral<int64_t>();
  std::string amount = std::to_string(cents / 100);
  if (input.ConsumeBool()) amount += "." + std::to_string(std::abs(cents % 100));
  return Utf8ToUtf16(amount);
}

ReceiptData Data(FuzzedDataProvider& input) {
  ReceiptData data;
  data.ShopName = Text(input);
  data.OrderNumber = Text(input);
  data.TableNumber = Text(input);
  data.Waiter = Text(input);
  data.Cashier = Text(input);
  data.Total = Amount(input);
  data.Paid = Amount(input);
  data.BookingPhone = Text(input);
  data.SettledAt = std::chrono::system_clock::time_point(
      std::chrono::system_clock::duration(input.ConsumeIntegral<int64_t>()));
  const auto items = input.ConsumeIntegralInRange<std::size_t>(0, 40);
  for (std::size_t i = 0; i < items && input.remaining_bytes() > 0; ++i) {
    ReceiptItem item;
    item.name = Text(input, 24);
    item.unit = Text(input, 6);
    item.quantity = Text(input, 12);
    item.amount = Amount(input);
    data.Items.push_back(std::move(item));
  }
  return data;
}

void CheckItemLine(const std::u16string& line, const ReceiptItem& item,
                   const LocaleServices& locale) {
  const std::u16string name = ClipText(TrimSpaces(item.name), 6);
  const std::u16string quantity = ClipText(TrimSpaces(item.quantity), 4);
  FUZZ_REQUIRE(line.starts_with(name));
  FUZZ_REQUIRE(line.ends_with(ClipText(*FormatAmount(item.amount, locale), 9)));
  if (2 * name.size() + quantity.size() <= 15) FUZZ_REQUIRE(line.size() <= 15 + 1 + 10);
}

void Check(const ReceiptData& data, const LocaleServices& locale) {
  const ReceiptLinesResult result = ReceiptLines(data, locale);
  const bool every_amount_converts =
      FormatAmount(data.Total, locale) && FormatAmount(data.Paid, locale) &&
      std::all_of(data.Items.begin(), data.Items.end(),
                  [&](const ReceiptItem& item) { return FormatAmount(item.amount, locale); });
  FUZZ_REQUIRE(result.error.has_value() == !every_amount_converts);
  if (result.error) {
    FUZZ_REQUIRE(result.lines.empty());
    // The error names the first value, in the order they are converted, that
    // is not a number.
    const LayoutError& error = *result.error;
    const auto first_bad_item =
        std::find_if(data.Items.begin(), data.Items.end(),
                     [&](const ReceiptItem& item) { return !FormatAmount(item.amount, locale); });
    if (first_bad_item != data.Items.end()) {
      FUZZ_REQUIRE(error.kind == LayoutError::Kind::kItemAmount);
      FUZZ_REQUIRE(error.item_index ==
                   static_cast<std::size_t>(first_bad_item - data.Items.begin()));
      FUZZ_REQUIRE(error.item_name == first_bad_item->name);
    } else if (!FormatAmount(data.Total, locale)) {
      FUZZ_REQUIRE(error.kind == LayoutError::Kind::kTotal);
    } else {
      FUZZ_REQUIRE(error.kind == LayoutError::Kind::kPaid);
    }
    return;
  }

  const std::vector<std::u16string>& lines = result.lines;
  const std::size_t items = data.Items.size();
  FUZZ_REQUIRE(lines.size() == kFixedLines + items);
  FUZZ_REQUIRE(lines.front() == kReceiptTopLine);
  FUZZ_REQUIRE(lines[1].starts_with(kReceiptTopLine) && lines[1].ends_with(u"消费小票"));
  FUZZ_REQUIRE(lines[kFirstItemLine - 2] == kReceiptHeader);
  FUZZ_REQUIRE(lines[kFirstItemLine - 1] == kReceiptRule);
  FUZZ_REQUIRE(lines[kFirstItemLine + items] == kReceiptRule);
  FUZZ_REQUIRE(lines[kFirstItemLine + items + 4] == kReceiptRule);
  FUZZ_REQUIRE(lines.back().starts_with(u"结算时间:") && lines.back().size() > 5);
  for (std::size_t i = 0; i < items; ++i) {
    CheckItemLine(lines[kFirstItemLine + i], data.Items[i], locale);
  }
}

}  // namespace
}  // namespace pellomar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::unique_ptr<pellomar::LocaleServices> locale =
      pellomar::MakeIcuLocaleServices("zh_CN");
  FuzzedDataProvider input(data, size);
  pellomar::fuzz::Check(pellomar::fuzz::Data(input), *locale);
  return 0;
}
