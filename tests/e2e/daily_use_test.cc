// Daily use at the till: a service page that cannot be loaded comes back by
// itself, and the usual browser keys work.
#include <string>

#include "base/text.h"
#include "tests/support/client_fixture.h"

namespace pellomar::testing {
namespace {

using DailyUseTest = ClientTest;

TEST_F(DailyUseTest, UnreachableServiceShowsErrorPageAndRetriesUntilItLoads) {
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));

  // A port with nobody listening, which a service takes over later.
  unsigned port = 0;
  {
    FixtureService probe;
    port = static_cast<unsigned>(std::stoul(probe.host().substr(probe.host().rfind(':') + 1)));
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/member/index.asp";
  client_->pane().Navigate(Utf8ToUtf16(url));
  WebKitWebView* view = client_->pane().view();
  ASSERT_TRUE(SpinUntil([&] {
    const char* title = webkit_web_view_get_title(view);
    return title && std::string(title) == "无法打开页面";
  })) << "no error page for "
      << url;
  EXPECT_EQ(client_->recovery().attempts(), 1);

  FixtureService revived("127.0.0.1", port);
  ASSERT_TRUE(revived.listening());
  revived.SetPage("/member/index.asp", "<!DOCTYPE html><title>back again</title>");
  ASSERT_TRUE(SpinUntil(
      [&] {
        const char* title = webkit_web_view_get_title(view);
        return title && std::string(title) == "back again";
      },
      20000))
      << "the page did not come back by itself";
  // The engine reports the load finished just after the page's own load event.
  EXPECT_TRUE(SpinUntil([&] { return client_->recovery().attempts() == 0; }, 5000));
  // Loaded once: no stray retry after the page came back.
  SpinFor(3500);
  EXPECT_EQ(revived.RequestCount("/member/index.asp"), 1);
}

TEST_F(DailyUseTest, ReloadBackAndForwardKeys) {
  service_.SetPage("/member/a.asp", BodyPage("a"));
  service_.SetPage("/member/b.asp", BodyPage("b"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  LoadAndWait(Url("/member/a.asp"));
  LoadAndWait(Url("/member/b.asp"));
  GtkWindow* window = client_->window();

  WebKitWebView* view = client_->pane().view();
  const auto showing = [&](const std::string& url) {
    return SpinUntil([&] {
      const char* uri = webkit_web_view_get_uri(view);
      return uri && uri == url && !webkit_web_view_is_loading(view);
    });
  };
  EXPECT_TRUE(PressKey(window, GDK_KEY_Left, GDK_MOD1_MASK));
  EXPECT_TRUE(showing(Url("/member/a.asp")));
  EXPECT_TRUE(PressKey(window, GDK_KEY_Right, GDK_MOD1_MASK));
  EXPECT_TRUE(showing(Url("/member/b.asp")));

  for (const auto& [key, state] : {std::pair{guint{GDK_KEY_F5}, GdkModifierType(0)},
                                   std::pair{guint{GDK_KEY_r}, GDK_CONTROL_MASK}}) {
    const int requests = service_.RequestCount("/member/b.asp");
    EXPECT_TRUE(PressKey(window, key, state));
    ASSERT_TRUE(SpinUntil([&] { return service_.RequestCount("/member/b.asp") == requests + 1; }));
  }
  // A plain letter is the page's, not a reload.
  const int requests = service_.RequestCount("/member/b.asp");
  PressKey(window, GDK_KEY_r, GdkModifierType(0));
  SpinFor(500);
  EXPECT_EQ(service_.RequestCount("/member/b.asp"), requests);
}

}  // namespace
}  // namespace pellomar::testing
