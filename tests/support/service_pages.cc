#include "tests/support/service_pages.h"

namespace pellomar::testing {

std::string BodyPage(const std::string& body, const std::string& head) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + head + "</head><body>" + body +
         "</body></html>";
}

std::string Frameset(const std::string& middle_src, const std::string& main_src) {
  return "<html><head><meta charset=\"utf-8\"><title>Service</title></head>"
         "<frameset rows=\"15%,85%\"><frame name=\"middleFrame\" src=\"" +
         middle_src + "\"><frame name=\"mainFrame\" src=\"" + main_src + "\"></frameset></html>";
}

std::string OrderValueInputs(const OrderValues& values) {
  const std::pair<const char*, const std::string&> by_id[] = {
      {"Ddh", values.order_number},      {"tingtaihao", values.table}, {"waiter", values.waiter},
      {"syy", values.cashier},           {"zje", values.total},        {"sszje", values.paid},
      {"com_tel", values.booking_phone},
  };
  std::string inputs;
  for (const auto& [id, value] : by_id) {
    inputs += "<input type=\"hidden\" id=\"" + std::string(id) + "\" value=\"" + value + "\">";
  }
  return inputs;
}

std::string OrderPage(const std::string& extra_inputs) {
  return BodyPage(
      "<h1>订单 A1024</h1>" + OrderValueInputs() +
      "<label><input type=\"checkbox\" checked Tag=\"红烧肉,份,x,1,38\">红烧肉</label>"
      "<label><input type=\"checkbox\" Tag=\"米饭,碗,x,2,4\">米饭</label>"
      "<label><input type=\"radio\" name=\"r\" checked Tag=\"Radio,p,x,1,9\">radio</label>"
      "<label><input type=\"checkbox\" id=\"tea\" Tag=\"wrong,markup,x,9,99\">Tea</label>" +
      extra_inputs +
      "<script>"
      "const tea = document.getElementById('tea');"
      "tea.Tag = 'Tea,壶,x,2,8';"
      "tea.checked = true;"
      "window.addEventListener('load', () => {"
      "  parent.frames['middleFrame'].location.href = '/member/main/print.asp';"
      "});"
      "</script>");
}

std::string QuietOrderPage() {
  return BodyPage(OrderValueInputs() +
                  "<input type=\"checkbox\" checked Tag=\"红烧肉,份,x,1,38\">"
                  "<input type=\"checkbox\" Tag=\"米饭,碗,x,2,4\">"
                  "<input type=\"checkbox\" checked Tag=\"Tea,壶,x,2,8\">");
}

void AddServicePages(FixtureService& service) {
  service.SetPage("/member/index.asp",
                  Frameset("/member/main/blank.asp", "/member/main/welcome.asp"));
  service.SetPage("/member/main/blank.asp", BodyPage(""));
  service.SetPage("/member/main/welcome.asp",
                  BodyPage("<h1>欢迎 Welcome</h1><iframe name=\"inner\" "
                           "src=\"/member/main/inner.asp\"></iframe>"));
  service.SetPage("/member/main/inner.asp", BodyPage("<p>inner</p>"));
  service.SetPage("/member/order.asp",
                  Frameset("/member/main/blank.asp", "/member/main/order.asp"));
  service.SetPage("/member/main/order.asp", OrderPage());
  service.SetPage("/member/main/print.asp", BodyPage("1,"));
}

std::vector<std::u16string> StandardReceipt(const ReceiptChanges& changes) {
  std::vector<std::u16string> receipt = {
      u"    ",
      u"    " + changes.shop + u"消费小票",
      u"",
      u"单号:" + changes.order_number,
      u"厅台号:大厅3",
      u"服务员:王芳",
      u"收银员:李明",
      u"",
      u"项目            数量  金额   ",
      u"-----------------------------",
      u"红烧肉        1份     38.00",
      u"Tea        2壶      8.00",
  };
  receipt.insert(receipt.end(), changes.extra_item_lines.begin(), changes.extra_item_lines.end());
  const std::vector<std::u16string> tail = {
      u"-----------------------------",
      u"小计:46.00元",
      u"应收金额:46.00元",
      u"实收金额:50.00元",
      u"-----------------------------",
      changes.shop + u"期待您再次光临！",
      u"预订电话:010-1234",
  };
  receipt.insert(receipt.end(), tail.begin(), tail.end());
  return receipt;
}

std::vector<std::u16string> WithoutSettlementTime(const std::vector<std::u16string>& receipt) {
  if (receipt.empty() || !receipt.back().starts_with(u"结算时间:") ||
      receipt.back().size() == std::u16string(u"结算时间:").size()) {
    return receipt;  // compares unequal to any expected receipt
  }
  return {receipt.begin(), receipt.end() - 1};
}

}  // namespace pellomar::testing
