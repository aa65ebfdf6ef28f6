#include "receipt/print_receipt.h"

#include <array>
#include <string>
#include <vector>

#include "base/text.h"
#include "bridge/browser_pane.h"
#include "bridge/login_profile.h"
#include "receipt/page_printer.h"
#include "receipt/receipt_layout.h"

namespace pellomar {

namespace {

constexpr std::u16string_view kNotPrinted = u"小票未打印：";

Report Refusal(std::u16string_view reason, const std::string& diagnostic) {
  return Report{std::u16string(kNotPrinted) + std::u16string(reason),
                OneLine("receipt not printed: " + diagnostic)};
}

// Page texts quoted in a notice are cut so that a hostile page cannot fill
// the window with it.
std::u16string Quoted(std::u16string_view page_text) {
  constexpr int kQuoteCut = 16;
  return ClipText(page_text, kQuoteCut);
}

struct IdField {
  std::u16string_view id;
  std::u16string ReceiptData::*field;
};

constexpr std::array<IdField, 7> kValueIds{{
    {u"Ddh", &ReceiptData::OrderNumber},
    {u"tingtaihao", &ReceiptData::TableNumber},
    {u"waiter", &ReceiptData::Waiter},
    {u"syy", &ReceiptData::Cashier},
    {u"zje", &ReceiptData::Total},
    {u"sszje", &ReceiptData::Paid},
    {u"com_tel", &ReceiptData::BookingPhone},
}};

// Item record fields of a checkbox's Tag.
constexpr std::size_t kTagName = 0;
constexpr std::size_t kTagUnit = 1;
constexpr std::size_t kTagQuantity = 3;
constexpr std::size_t kTagAmount = 4;
constexpr std::size_t kTagMinimumFields = 5;

Failure ReadItems(const DocumentSnapshot& document, std::vector<ReceiptItem>& items) {
  const std::vector<InputSnapshot>& inputs = document.inputs;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const InputSnapshot& input = inputs[i];
    if (input.type != u"checkbox" || !input.checked) continue;
    const std::string position = std::to_string(i + 1);
    if (!input.tag) {
      return Refusal(u"第 " + Utf8ToUtf16(position) + u" 个输入框没有菜品记录",
                     "checked checkbox #" + position + " has no Tag text");
    }
    std::vector<std::u16string> fields = SplitAt(*input.tag, u',');
    if (fields.size() < kTagMinimumFields) {
      return Refusal(u"第 " + Utf8ToUtf16(position) + u" 个输入框的菜品记录不完整",
                     "checked checkbox #" + position + " has a Tag of " +
                         std::to_string(fields.size()) + " fields, 5 needed");
    }
    items.push_back(ReceiptItem{std::move(fields[kTagName]), std::move(fields[kTagUnit]),
                                std::move(fields[kTagQuantity]), std::move(fields[kTagAmount])});
  }
  return std::nullopt;
}

// Gathers every value of the receipt from the page; any gap is a refusal.
Failure ReadReceiptData(const ReceiptContext& context, ReceiptData& data) {
  const DocumentSnapshot* top = context.pane.Document();
  if (top == nullptr) return Refusal(u"页面不可读", "no top-level document");
  const DocumentSnapshot* document = top->Frame(u"mainFrame");
  if (document == nullptr) {
    return Refusal(u"页面缺少 mainFrame", "no readable frame \"mainFrame\"");
  }
  for (const IdField& id : kValueIds) {
    const std::u16string* value = document->ValueOf(std::u16string(id.id));
    if (value == nullptr) {
      return Refusal(u"页面缺少 " + std::u16string(id.id),
                     "no element with id \"" + Utf16ToUtf8(id.id) + "\" and a value");
    }
    data.*id.field = *value;
  }
  data.ShopName = context.profile.Com_nName;
  return ReadItems(*document, data.Items);
}

Report NotComposed(const LayoutError& error) {
  switch (error.kind) {
    case LayoutError::Kind::kTotal:
      return Refusal(u"zje 不是数字", "zje is not a number");
    case LayoutError::Kind::kPaid:
      return Refusal(u"sszje 不是数字", "sszje is not a number");
    case LayoutError::Kind::kItemAmount:
      break;
  }
  return Refusal(u"菜品「" + Quoted(error.item_name) + u"」的金额不是数字",
                 "the amount of item " + std::to_string(error.item_index + 1) + " \"" +
                     Utf16ToUtf8(error.item_name) + "\" is not a number");
}

}  // namespace

std::u16string_view PrintErrorNotice(PrintError error) {
  switch (error) {
    case PrintError::kNoDestination:
      return u"没有默认打印机";
    case PrintError::kUnreachable:
      return u"无法连接打印服务";
    case PrintError::kRefused:
      return u"打印机拒绝了打印任务";
    case PrintError::kWriteFailed:
      return u"发送到打印机失败";
    case PrintError::kRenderFailed:
      return u"无法生成小票文档";
    case PrintError::kNoPaperSize:
      return u"打印机没有设置纸张";
    case PrintError::kNone:
      break;
  }
  return u"打印失败";
}

Failure PrintReceipt(const ReceiptContext& context) {
  ReceiptData data;
  if (Failure refused = ReadReceiptData(context, data)) return refused;

  data.SettledAt = context.clock.Now();
  const ReceiptLinesResult receipt = ReceiptLines(data, context.locale);
  if (receipt.error) return NotComposed(*receipt.error);

  for (const std::u16string& line : receipt.lines) context.printer.PrintLine(line);
  const PrintResult printed = context.printer.EndDocument();
  if (!printed.ok()) {
    return Refusal(PrintErrorNotice(printed.error), "printing failed: " + printed.detail);
  }
  return std::nullopt;
}

}  // namespace pellomar
