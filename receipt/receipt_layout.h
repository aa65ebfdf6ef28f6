// The receipt as lines of text, 29 columns wide, a Chinese character taking
// two columns.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellomar {

class LocaleServices;

struct ReceiptItem {
  std::u16string name;
  std::u16string unit;
  std::u16string quantity;
  std::u16string amount;  // a number as text
};

struct ReceiptData {
  std::u16string ShopName;
  std::u16string OrderNumber;
  std::u16string TableNumber;
  std::u16string Waiter;
  std::u16string Cashier;
  std::vector<ReceiptItem> Items;
  std::u16string Total;
  std::u16string Paid;
  std::u16string BookingPhone;
  std::chrono::system_clock::time_point SettledAt;
};

inline constexpr std::u16string_view kReceiptTopLine = u"    ";
inline constexpr std::u16string_view kReceiptHeader = u"项目            数量  金额   ";
inline constexpr std::u16string_view kReceiptRule = u"-----------------------------";
// Every line fits in this many columns, a Chinese character taking two.
inline constexpr int kReceiptColumns = 29;
// The order number follows this label on the receipt's fourth line.
inline constexpr std::u16string_view kOrderNumberLabel = u"单号:";
inline constexpr std::size_t kOrderNumberLine = 3;

// The order number as it stands on composed receipt lines; empty when the
// lines are not a receipt's.
std::u16string_view OrderNumberOf(const std::vector<std::u16string>& lines);

// The amount written with two decimals under the locale, or nothing when the
// text is not a number.
std::optional<std::u16string> FormatAmount(std::u16string_view value, const LocaleServices& locale);

// One item line; nothing when the amount is not a number.
std::optional<std::u16string> FormatItemLine(const ReceiptItem& item, const LocaleServices& locale);

// Why a receipt could not be composed: which value was not a number.
struct LayoutError {
  enum class Kind { kTotal, kPaid, kItemAmount };
  Kind kind;
  // With kItemAmount: the item's place among the receipt's items and its name.
  std::size_t item_index = 0;
  std::u16string item_name;
};

struct ReceiptLinesResult {
  std::vector<std::u16string> lines;
  std::optional<LayoutError> error;  // set when a number did not convert; lines is then empty
};

// The whole receipt, every line, or an error and no lines.
ReceiptLinesResult ReceiptLines(const ReceiptData& data, const LocaleServices& locale);

}  // namespace pellomar
