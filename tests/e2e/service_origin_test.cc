// The service's origin as the engine decides it: of the address the home
// page's load ends on, redirects followed; print pages of any other origin
// are refused with a line naming both.
#include <gmock/gmock.h>

#include "base/text.h"
#include "platform/gtk/engine_origin.h"
#include "tests/support/client_fixture.h"

namespace pellomar::testing {
namespace {

using ::testing::HasSubstr;

TEST(EngineOrigin, IsTheOriginABrowserGivesTheAddress) {
  const struct {
    const char* uri;
    std::u16string origin;
  } cases[] = {
      {"http://evil.test\\@shop.test/member/main/print.asp", u"http://evil.test"},
      {"http://evil.test@shop.test/x", u"http://shop.test"},
      {"HTTP://Shop.Test:80/member/", u"http://shop.test"},
      {"https://shop.test:443/", u"https://shop.test"},
      {"http://127.0.0.1:8077/member/index.asp", u"http://127.0.0.1:8077"},
      {"data:text/html,member/main/print.asp", u""},
      {"about:blank", u""},
      {"not an address", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(EngineOriginOf(c.uri), c.origin) << c.uri;
}

class ServiceOriginTest : public ClientTest {
 protected:
  std::string Moved() const { return "http://localhost:" + service_.host().substr(10); }
};

TEST_F(ServiceOriginTest, ServiceThatMovesPrintsOnlyOnTheOriginItMovedTo) {
  service_.SetRedirect("/member/index.asp", Moved() + "/member/index.asp");
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Moved() + "/member/index.asp"));

  client_->pane().Navigate(Utf8ToUtf16(Moved() + "/member/order.asp"));
  ASSERT_TRUE(SpinUntil([&] { return printer_.jobs.size() == 1; }));
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();

  // The address the client was built for is not the service any more.
  ::testing::internal::CaptureStderr();
  LoadAndWait(Url("/member/order.asp"));
  ASSERT_TRUE(WaitForCompletion(Url("/member/main/print.asp")));
  SpinFor(300);
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(printer_.jobs.size(), 1u);
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  EXPECT_THAT(diagnostics, HasSubstr(service_.origin()));
  EXPECT_THAT(diagnostics, HasSubstr(Moved()));
}

// The service is not up yet when the client starts: our error page stands
// in the home page's place under its address, and must not be taken for the
// service, which moves to another origin once it is up.
TEST_F(ServiceOriginTest, ErrorPageInTheHomePagesPlaceIsNotTheService) {
  unsigned port = 0;
  {
    FixtureService probe;
    ASSERT_TRUE(probe.listening());
    port = static_cast<unsigned>(std::stoi(probe.host().substr(10)));
  }
  const std::string host = "127.0.0.1:" + std::to_string(port);
  PellomarClient::Options options;
  options.completion_handled = [this](std::u16string_view url, const DocumentSnapshot*) {
    completions_.push_back({Utf16ToUtf8(url), std::nullopt});
  };
  client_ = pellomar::StartClient(Utf8ToUtf16(host), hooked_printer_, std::move(options));
  ASSERT_TRUE(SpinUntil([&] { return client_->recovery().attempts() >= 1; }));
  SpinFor(500);  // the error page loads

  FixtureService late("127.0.0.1", port);
  ASSERT_TRUE(late.listening());
  AddServicePages(late);
  const std::string moved = "http://localhost:" + std::to_string(port);
  late.SetRedirect("/member/index.asp", moved + "/member/index.asp");
  ASSERT_TRUE(WaitForCompletion(moved + "/member/index.asp", 30000));

  client_->pane().Navigate(Utf8ToUtf16(moved + "/member/order.asp"));
  ASSERT_TRUE(SpinUntil([&] { return printer_.jobs.size() == 1; }));
  client_.reset();  // before the service it talks to
}

}  // namespace
}  // namespace pellomar::testing
