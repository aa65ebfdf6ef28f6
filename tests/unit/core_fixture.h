// The core wired to in-memory fakes: a service page, a recording printer, a
// fixed clock and the zh_CN locale.
#pragma once

#include <gtest/gtest.h>

#include "bridge/login_profile.h"
#include "bridge/page_dispatch.h"
#include "platform/icu/icu_locale_services.h"
#include "tests/fakes/fake_browser_pane.h"
#include "tests/fakes/fixed_clock.h"
#include "tests/fakes/recording_printer.h"

namespace pellomar::testing {

// An order page with every value the receipt reads.
inline DocumentSnapshot OrderPage(std::vector<InputSnapshot> inputs) {
  DocumentSnapshot page;
  page.values_by_id = {{u"Ddh", u"A1024"},       {u"tingtaihao", u"大厅3"}, {u"waiter", u"王芳"},
                       {u"syy", u"李明"},        {u"zje", u"54"},           {u"sszje", u"100"},
                       {u"com_tel", u"010-1234"}};
  page.inputs = std::move(inputs);
  return page;
}

class CoreFixture : public ::testing::Test {
 protected:
  Failure Complete(std::u16string_view url = u"http://shop.test/member/main/print.asp") {
    return OnDocumentComplete(
        url, DispatchContext{pane, profile, *locale, clock, printer, kServiceOrigin});
  }
  void ShowPage(std::u16string middle_body, DocumentSnapshot main = OrderPage({})) {
    pane.top = ServiceFrameset(std::move(middle_body), std::move(main));
  }
  // Item lines of the only printed job.
  std::vector<std::u16string> PrintedItems() const {
    EXPECT_EQ(printer.jobs.size(), 1u);
    if (printer.jobs.size() != 1) return {};
    const auto& lines = printer.jobs[0];
    return {lines.begin() + 10, lines.end() - 8};
  }

  FakeBrowserPane pane;
  LoginProfile profile;
  std::unique_ptr<LocaleServices> locale = MakeIcuLocaleServices("zh_CN");
  FixedClock clock{SampleSettlementTime()};
  RecordingPrinter printer;
};

}  // namespace pellomar::testing
