// The service's pages as the tests and benchmarks serve them, and the
// receipt the standard order gives.
#pragma once

#include <string>
#include <vector>

#include "tests/support/fixture_service.h"

namespace pellomar::testing {

// A page of body markup, with head markup after its charset.
std::string BodyPage(const std::string& body, const std::string& head = "");
std::string Frameset(const std::string& middle_src, const std::string& main_src);

// The values of an order as its page holds them, by id.
struct OrderValues {
  std::string order_number = "A1024";      // Ddh
  std::string table = "大厅3";             // tingtaihao
  std::string waiter = "王芳";             // waiter
  std::string cashier = "李明";            // syy
  std::string total = "46";                // zje
  std::string paid = "50";                 // sszje
  std::string booking_phone = "010-1234";  // com_tel
};
// The values as the page's hidden inputs.
std::string OrderValueInputs(const OrderValues& values = {});

// The standard order: its values, 红烧肉 and Tea checked, 米饭 not, a checked
// radio button, Tea's Tag set by the page's script (its markup's is wrong),
// extra_inputs after them; once loaded it sends "middleFrame" to the print
// page.
std::string OrderPage(const std::string& extra_inputs = "");
// The standard order's values and checked items with no script: the page
// leaves the print page to its frameset.
std::string QuietOrderPage();

// The pages of the service as the tests use them: a frameset with
// "middleFrame" and "mainFrame", a welcome page with a nested frame, the
// standard order page and the print page with command "1".
void AddServicePages(FixtureService& service);

// The receipt of the standard order without its last line, the settlement
// time.
struct ReceiptChanges {
  std::u16string shop;
  std::u16string order_number = u"A1024";
  std::vector<std::u16string> extra_item_lines;  // after the standard items
};
std::vector<std::u16string> StandardReceipt(const ReceiptChanges& changes = {});

// A receipt without its settlement-time line, which changes by the second;
// that line must be there and be the last.
std::vector<std::u16string> WithoutSettlementTime(const std::vector<std::u16string>& receipt);

}  // namespace pellomar::testing
