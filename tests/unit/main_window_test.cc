#include "shell/main_window.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "shell/app_identity.h"
#include "shell/browser_layout.h"
#include "shell/load_retry.h"
#include "shell/start_application.h"
#include "tests/fakes/fake_browser_pane.h"

namespace pellomar {
namespace {

TEST(LayoutBrowser, MarginsFromOuterSizeWithStrictGuards) {
  const TwipsRect old_pane{7, 9, 1234, 567};
  const struct {
    TwipsSize outer;
    TwipsRect pane;
  } cases[] = {
      {{700, 900}, {0, 0, 600, 400}},
      {{700, 500}, {0, 0, 600, 567}},   // height not above its margin: kept
      {{700, 300}, {0, 0, 600, 567}},   // a minimised window
      {{100, 900}, {0, 0, 1234, 400}},  // width exactly the margin: kept
      {{100.5f, 500.5f}, {0, 0, 0.5f, 0.5f}},
      {{0, 0}, {0, 0, 1234, 567}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LayoutBrowser(c.outer, old_pane), c.pane) << c.outer.width << " x " << c.outer.height;
  }
}

class FakeSurface : public WindowSurface {
 public:
  void SetMaximized() override { calls.push_back("maximise"); }
  void SetCaption(std::u16string_view text) override {
    calls.push_back("caption");
    caption = text;
  }
  TwipsSize OuterSize() const override { return outer; }
  TwipsRect PaneRect() const override { return pane; }
  void SetPaneRect(const TwipsRect& rect) override {
    calls.push_back("layout");
    pane = rect;
  }

  std::vector<std::string> calls;
  std::u16string caption;
  TwipsSize outer{9000, 6000};
  TwipsRect pane;
};

// Records its navigations in the surface's list, so that one list shows the
// order of everything the window does.
class OrderedPane : public testing::FakeBrowserPane {
 public:
  explicit OrderedPane(std::vector<std::string>& calls) : calls_(calls) {}
  void Navigate(std::u16string_view url) override {
    calls_.push_back("navigate " + Utf16ToUtf8(url));
    FakeBrowserPane::Navigate(url);
  }

 private:
  std::vector<std::string>& calls_;
};

class RecordingHost : public MainWindowHost {
 public:
  void CreateAndShowMainWindow() override { identity_at_show = TheAppIdentity(); }
  AppIdentity identity_at_show;
};

TEST(MainWindow, LoadMaximisesCaptionsLaysOutThenGoesHome) {
  RecordingHost host;
  StartApplication(u"shop.test:8077", host);
  // The identity is complete before the window is shown.
  EXPECT_EQ(host.identity_at_show.ProductName, u"Pellomar");
  EXPECT_EQ(host.identity_at_show.HomeUrl, u"http://shop.test:8077/member/index.asp");

  FakeSurface surface;
  OrderedPane pane(surface.calls);
  B_Main window(surface, pane, TheAppIdentity());
  window.Load();
  EXPECT_EQ(surface.calls,
            (std::vector<std::string>{"maximise", "caption", "layout",
                                      "navigate http://shop.test:8077/member/index.asp"}));
  EXPECT_EQ(surface.caption, u"PellomarV1.0");
  EXPECT_EQ(surface.pane, (TwipsRect{0, 0, 8900, 5500}));

  surface.outer = {700, 400};
  window.Resize();
  EXPECT_EQ(surface.pane, (TwipsRect{0, 0, 600, 5500}));
}

}  // namespace
}  // namespace pellomar

namespace pellomar {
namespace {

TEST(LoadRetry, BacksOffFromSecondsToAMinute) {
  const int expected[] = {3, 6, 12, 24, 48, 60, 60};
  for (int attempt = 1; attempt <= 7; ++attempt) {
    EXPECT_EQ(RetryDelaySeconds(attempt), expected[attempt - 1]) << attempt;
  }
  EXPECT_EQ(RetryDelaySeconds(1000000), 60);
}

}  // namespace
}  // namespace pellomar
