#include "receipt/receipt_layout.h"

#include "base/locale_services.h"
#include "base/text.h"

namespace pellomar {

namespace {

constexpr int kNameCut = 6;
constexpr int kQuantityCut = 4;
constexpr int kUnitCut = 1;
constexpr int kAmountCut = 9;
constexpr int kQuantityEndColumn = 15;  // a name character counts as two columns
constexpr int kAmountField = 10;
constexpr int kShopCut = 6;

int Length(const std::u16string& text) { return static_cast<int>(text.size()); }

}  // namespace

std::optional<std::u16string> FormatAmount(std::u16string_view value,
                                           const LocaleServices& locale) {
  const std::optional<DecimalNumber> number = locale.ParseNumber(value);
  if (!number) return std::nullopt;
  return locale.FormatTwoDecimals(*number);
}

std::optional<std::u16string> FormatItemLine(const ReceiptItem& item,
                                             const LocaleServices& locale) {
  const std::optional<std::u16string> formatted_amount = FormatAmount(item.amount, locale);
  if (!formatted_amount) return std::nullopt;

  const std::u16string name = ClipText(TrimSpaces(item.name), kNameCut);
  const std::u16string quantity = ClipText(TrimSpaces(item.quantity), kQuantityCut);
  std::u16string line = name;
  line += RepeatText(u" ", kQuantityEndColumn - 2 * Length(name) - Length(quantity));
  line += quantity;
  line += ClipText(item.unit, kUnitCut);
  const std::u16string amount = ClipText(*formatted_amount, kAmountCut);
  line += RepeatText(u" ", kAmountField - Length(amount));
  line += amount;
  return line;
}

std::u16string_view OrderNumberOf(const std::vector<std::u16string>& lines) {
  if (lines.size() <= kOrderNumberLine || !lines[kOrderNumberLine].starts_with(kOrderNumberLabel)) {
    return {};
  }
  return std::u16string_view(lines[kOrderNumberLine]).substr(kOrderNumberLabel.size());
}

ReceiptLinesResult ReceiptLines(const ReceiptData& data, const LocaleServices& locale) {
  ReceiptLinesResult result;

  // Every number is converted before any line exists: a receipt is either
  // whole or not composed at all.
  std::vector<std::u16string> item_lines;
  item_lines.reserve(data.Items.size());
  for (std::size_t i = 0; i < data.Items.size(); ++i) {
    std::optional<std::u16string> line = FormatItemLine(data.Items[i], locale);
    if (!line) {
      result.error = LayoutError{LayoutError::Kind::kItemAmount, i, data.Items[i].name};
      return result;
    }
    item_lines.push_back(std::move(*line));
  }
  const std::optional<std::u16string> total = FormatAmount(data.Total, locale);
  if (!total) {
    result.error = LayoutError{LayoutError::Kind::kTotal, 0, {}};
    return result;
  }
  const std::optional<std::u16string> paid = FormatAmount(data.Paid, locale);
  if (!paid) {
    result.error = LayoutError{LayoutError::Kind::kPaid, 0, {}};
    return result;
  }

  const std::u16string shop = ClipText(data.ShopName, kShopCut);
  std::vector<std::u16string>& lines = result.lines;
  lines.reserve(item_lines.size() + 20);
  lines.emplace_back(kReceiptTopLine);
  lines.push_back(std::u16string(kReceiptTopLine) + shop + u"消费小票");
  lines.emplace_back();
  lines.push_back(std::u16string(kOrderNumberLabel) + data.OrderNumber);
  lines.push_back(u"厅台号:" + data.TableNumber);
  lines.push_back(u"服务员:" + data.Waiter);
  lines.push_back(u"收银员:" + data.Cashier);
  lines.emplace_back();
  lines.emplace_back(kReceiptHeader);
  lines.emplace_back(kReceiptRule);
  for (std::u16string& line : item_lines) lines.push_back(std::move(line));
  lines.emplace_back(kReceiptRule);
  lines.push_back(u"小计:" + *total + u"元");
  lines.push_back(u"应收金额:" + *total + u"元");
  lines.push_back(u"实收金额:" + *paid + u"元");
  lines.emplace_back(kReceiptRule);
  lines.push_back(shop + u"期待您再次光临！");
  lines.push_back(u"预订电话:" + data.BookingPhone);
  lines.push_back(u"结算时间:" + locale.FormatDateTime(data.SettledAt));
  return result;
}

}  // namespace pellomar
