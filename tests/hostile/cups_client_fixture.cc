#include "tests/hostile/cups_client_fixture.h"

#include "base/text.h"
#include "platform/cups/cups_page_printer.h"

namespace pellomar::testing {

void CupsClientTest::SetUp() {
  ClientTest::SetUp();
  ASSERT_EQ(cupsd_.error(), "");
}

void CupsClientTest::StartCupsClient() {
  cups_printer_ = MakeCupsPagePrinter();
  StartClientOn(*cups_printer_);
}

void CupsClientTest::StartClientOn(PagePrinter& printer) {
  PellomarClient::Options options;
  options.closed = [this] { closed_ = true; };
  options.completion_handled = [this](std::u16string_view url, const DocumentSnapshot*) {
    completions_.push_back({Utf16ToUtf8(url), std::nullopt});
  };
  client_ = pellomar::StartClient(Utf8ToUtf16(service_.host()), printer, std::move(options));
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
}

int CupsClientTest::PrintCompletions() const {
  int count = 0;
  for (const HandledCompletion& completion : completions_) {
    if (completion.url == Url("/member/main/print.asp")) ++count;
  }
  return count;
}

void CupsClientTest::PrintStandardOrder() {
  const int before = PrintCompletions();
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  ASSERT_TRUE(SpinUntil([&] { return PrintCompletions() == before + 1; }, 20000));
}

}  // namespace pellomar::testing
