// Pages for the hostile-page and fault tests, on top of the fixture
// service's own: order pages with their values and items changed, and the
// receipt the standard order page must give.
#pragma once

#include <string>
#include <utility>  // for recording_printer.h
#include <vector>

#include "tests/fakes/recording_printer.h"
#include "tests/support/fixture_service.h"

namespace pellomar::testing {

// A frameset at path whose "mainFrame" is an order page with extra markup
// (inputs, scripts) after the standard items; once loaded, the order page
// sends "middleFrame" to the standard print page. Returns path.
std::string AddOrder(FixtureService& service, const std::string& path,
                     const std::string& extra_markup);

// A frameset at path whose "middleFrame" is sent to print_path when the
// whole frameset has loaded; "mainFrame" shows main_src.
std::string AddPrintingFrameset(FixtureService& service, const std::string& path,
                                const std::string& main_src, const std::string& print_path);

// The standard order's values and checked items, with no script: the page
// leaves the print page to its frameset.
std::string QuietOrderPage();

// Script for an order page: n times in a row, set "Ddh" to 1, 2, ... n and
// send "middleFrame" to print_path, each time once the previous print page
// has loaded.
std::string RepeatedPrintScript(int n, const std::string& print_path);

// The receipt of the standard order page (tests/e2e OrderPage) without its
// last line, the settlement time.
struct ReceiptChanges {
  std::u16string shop;
  std::u16string order_number = u"A1024";
  std::vector<std::u16string> extra_item_lines;  // after the standard items
};
RecordingPrinter::Job StandardReceipt(const ReceiptChanges& changes = {});

// A job without its settlement-time line, which changes by the second;
// that line must be there and be the last.
RecordingPrinter::Job WithoutSettlementTime(const RecordingPrinter::Job& job);

}  // namespace pellomar::testing
