// The main window on a real X display with a window manager: caption,
// maximised start, the pane's geometry through size and state changes, and
// the notice over the pane.
#include <cmath>
#include <string>
#include <vector>

#include "base/text.h"
#include "tests/support/client_fixture.h"

namespace pellomar::testing {
namespace {

GdkRectangle OuterPixels(GtkWindow* window) {
  GdkRectangle frame{0, 0, 0, 0};
  gdk_window_get_frame_extents(gtk_widget_get_window(GTK_WIDGET(window)), &frame);
  return frame;
}

bool Maximized(GtkWindow* window) {
  GdkWindow* gdk_window = gtk_widget_get_window(GTK_WIDGET(window));
  return gdk_window && (gdk_window_get_state(gdk_window) & GDK_WINDOW_STATE_MAXIMIZED);
}

GdkRectangle MonitorOf(GtkWindow* window) {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
  GdkRectangle area;
  gdk_monitor_get_geometry(
      gdk_display_get_monitor_at_window(display, gtk_widget_get_window(GTK_WIDGET(window))), &area);
  return area;
}

void SaveScreenshot(const std::string& name) {
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                               gdk_window_get_height(root));
  ASSERT_NE(shot, nullptr);
  const std::string path = std::string(PELLOMAR_E2E_OUTPUT_DIR) + "/" + name;
  EXPECT_TRUE(gdk_pixbuf_save(shot, path.c_str(), "png", nullptr, nullptr)) << path;
  g_object_unref(shot);
}

std::vector<std::string>* realized_titles = nullptr;

// The caption each top-level window has when it first gets an X window,
// i.e. the first title the window manager could ever show.
gboolean RecordTitleAtRealize(GSignalInvocationHint*, guint, const GValue* params, gpointer) {
  auto* widget = static_cast<GtkWidget*>(g_value_get_object(&params[0]));
  // Only windows a window manager would frame; the engine realizes
  // off-screen windows of its own.
  if (GTK_IS_WINDOW(widget) && !GTK_IS_OFFSCREEN_WINDOW(widget) &&
      gtk_window_get_window_type(GTK_WINDOW(widget)) == GTK_WINDOW_TOPLEVEL && realized_titles) {
    const char* title = gtk_window_get_title(GTK_WINDOW(widget));
    realized_titles->push_back(title ? title : "(none)");
  }
  return TRUE;
}

class WindowTest : public ClientTest {
 protected:
  GtkWindow* window() { return client_->window(); }
  float TwipsPerPixel() { return client_->surface().TwipsPerPixel(); }

  // The pane as the rule places it for the window's outer size in pixels.
  TwipsRect PaneFor(int outer_width, int outer_height, TwipsRect current) {
    return LayoutBrowser({outer_width * TwipsPerPixel(), outer_height * TwipsPerPixel()}, current);
  }

  void WaitUntilMaximized() {
    ASSERT_TRUE(SpinUntil([&] {
      const GdkRectangle outer = OuterPixels(window());
      const GdkRectangle monitor = MonitorOf(window());
      return Maximized(window()) && outer.width == monitor.width && outer.height == monitor.height;
    }));
    SpinFor(200);
  }

  // The pane widget really is where the surface put it.
  void ExpectPaneWidgetAt(const GdkRectangle& pixels) {
    GtkAllocation allocation;
    gtk_widget_get_allocation(client_->pane().widget(), &allocation);
    EXPECT_EQ(allocation.x, pixels.x);
    EXPECT_EQ(allocation.y, pixels.y);
    EXPECT_EQ(allocation.width, pixels.width);
    EXPECT_EQ(allocation.height, pixels.height);
  }
};

TEST_F(WindowTest, OpensMaximisedUnderItsCaptionShowingTheHomePage) {
  std::vector<std::string> titles;
  realized_titles = &titles;
  const gulong hook = g_signal_add_emission_hook(g_signal_lookup("realize", GTK_TYPE_WIDGET), 0,
                                                 RecordTitleAtRealize, nullptr, nullptr);
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  WaitUntilMaximized();
  g_signal_remove_emission_hook(g_signal_lookup("realize", GTK_TYPE_WIDGET), hook);
  realized_titles = nullptr;

  EXPECT_EQ(titles, std::vector<std::string>{"PellomarV1.0"});
  EXPECT_STREQ(gtk_window_get_title(window()), "PellomarV1.0");  // not the page's <title>
  GList* icons = gtk_window_get_icon_list(window());
  EXPECT_EQ(g_list_length(icons), 3u);
  g_list_free(icons);

  const GdkRectangle monitor = MonitorOf(window());
  const TwipsRect pane = client_->surface().PaneRect();
  EXPECT_EQ(pane, PaneFor(monitor.width, monitor.height, pane));
  EXPECT_FLOAT_EQ(pane.width, monitor.width * TwipsPerPixel() - 100);
  EXPECT_FLOAT_EQ(pane.height, monitor.height * TwipsPerPixel() - 500);
  const GdkRectangle pixels = client_->surface().PanePixels();
  EXPECT_EQ(pixels.width, std::lround(pane.width / TwipsPerPixel()));
  EXPECT_EQ(pixels.height, std::lround(pane.height / TwipsPerPixel()));
  ExpectPaneWidgetAt(pixels);

  SpinFor(1000);  // let the page paint
  SaveScreenshot("window-home.png");
}

TEST_F(WindowTest, RestoringAndMaximisingAgainRecomputeThePane) {
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  WaitUntilMaximized();
  const TwipsRect maximized = client_->surface().PaneRect();

  gtk_window_unmaximize(window());
  ASSERT_TRUE(SpinUntil([&] {
    return !Maximized(window()) && OuterPixels(window()).width < MonitorOf(window()).width;
  }));
  SpinFor(300);
  int client_width = 0, client_height = 0;
  gtk_window_get_size(window(), &client_width, &client_height);
  // Normal client size 4680 x 3090 twips.
  EXPECT_EQ(client_width, std::lround(4680 / TwipsPerPixel()));
  EXPECT_EQ(client_height, std::lround(3090 / TwipsPerPixel()));
  const GdkRectangle outer = OuterPixels(window());
  const TwipsRect restored = client_->surface().PaneRect();
  EXPECT_EQ(restored, PaneFor(outer.width, outer.height, maximized));
  EXPECT_NE(restored, maximized);
  ExpectPaneWidgetAt(client_->surface().PanePixels());

  gtk_window_maximize(window());
  WaitUntilMaximized();
  EXPECT_EQ(client_->surface().PaneRect(), maximized);
  ExpectPaneWidgetAt(client_->surface().PanePixels());
}

// At 288 dpi a pixel is 5 twips, so window sizes in twips are exact.
TEST_F(WindowTest, PaneFollowsTheOuterSizeWithoutResizingTheWindow) {
  GdkScreen* screen = gdk_screen_get_default();
  const double dpi = gdk_screen_get_resolution(screen);
  gdk_screen_set_resolution(screen, 288);
  StartClient();
  ASSERT_FLOAT_EQ(TwipsPerPixel(), 5);
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  WaitUntilMaximized();
  gtk_window_unmaximize(window());
  ASSERT_TRUE(SpinUntil([&] { return !Maximized(window()); }));
  SpinFor(300);

  const GdkRectangle outer = OuterPixels(window());
  int client_width = 0, client_height = 0;
  gtk_window_get_size(window(), &client_width, &client_height);
  const int frame_width = outer.width - client_width;
  const int frame_height = outer.height - client_height;

  struct Case {
    int outer_width_twips, outer_height_twips;
    TwipsRect pane;
  };
  const Case cases[] = {
      {700, 900, {0, 0, 600, 400}},
      {1000, 500, {0, 0, 900, 400}},  // 500 twips high: the height is kept
      {1500, 1200, {0, 0, 1400, 700}},
      {1500, 400, {0, 0, 1400, 700}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.outer_width_twips << " x " << c.outer_height_twips);
    const int want_width = c.outer_width_twips / 5;
    const int want_height = c.outer_height_twips / 5;
    gtk_window_resize(window(), want_width - frame_width, want_height - frame_height);
    ASSERT_TRUE(SpinUntil([&] {
      const GdkRectangle now = OuterPixels(window());
      return now.width == want_width && now.height == want_height;
    }));
    SpinFor(300);
    EXPECT_EQ(client_->surface().PaneRect(), c.pane);
    ExpectPaneWidgetAt(
        {0, 0, static_cast<int>(c.pane.width / 5), static_cast<int>(c.pane.height / 5)});
    // A pane taller than the client area leaves the window as it is.
    const GdkRectangle after = OuterPixels(window());
    EXPECT_EQ(after.width, want_width);
    EXPECT_EQ(after.height, want_height);
  }
  gdk_screen_set_resolution(screen, dpi);
}

std::string WithoutInput(std::string page, const std::string& id) {
  const std::string input = "<input type=\"hidden\" id=\"" + id + "\"";
  const size_t start = page.find(input);
  page.erase(start, page.find('>', start) + 1 - start);
  return page;
}

TEST_F(WindowTest, NoticeShowsOverTheBottomOfThePaneWithoutTakingFocus) {
  service_.SetPage("/member/main/order.asp", WithoutInput(OrderPage(), "zje"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  WaitUntilMaximized();
  gtk_widget_grab_focus(client_->pane().widget());
  const TwipsRect pane = client_->surface().PaneRect();
  GtkWidget* focus_before = gtk_window_get_focus(window());

  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  ASSERT_TRUE(SpinUntil([&] { return client_->notice().visible(); }));
  SpinFor(500);
  EXPECT_NE(client_->notice().text().find("zje"), std::string::npos);
  EXPECT_TRUE(printer_.jobs.empty());

  // Where the bar is in the pane's container (an overlay child lives in a
  // window of its own, so its allocation alone does not say).
  GtkWidget* bar_widget = client_->notice().widget();
  GtkWidget* container = gtk_widget_get_parent(client_->pane().widget());
  GtkAllocation bar;
  gtk_widget_get_allocation(bar_widget, &bar);
  ASSERT_TRUE(gtk_widget_translate_coordinates(bar_widget, container, 0, 0, &bar.x, &bar.y));
  const GdkRectangle pixels = client_->surface().PanePixels();
  EXPECT_EQ(bar.x, 0);
  EXPECT_EQ(bar.width, pixels.width);
  EXPECT_EQ(bar.y + bar.height, pixels.y + pixels.height);
  EXPECT_GT(bar.height, 0);
  EXPECT_EQ(client_->surface().PaneRect(), pane);
  ExpectPaneWidgetAt(pixels);
  EXPECT_EQ(gtk_window_get_focus(window()), focus_before);
  EXPECT_FALSE(gtk_widget_get_can_focus(client_->notice().close_button()));
  SaveScreenshot("window-notice.png");

  // A newer notice replaces the one shown.
  service_.SetPage("/member/main/order.asp", WithoutInput(OrderPage(), "sszje"));
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  ASSERT_TRUE(
      SpinUntil([&] { return client_->notice().text().find("sszje") != std::string::npos; }));
  EXPECT_TRUE(client_->notice().visible());

  gtk_button_clicked(GTK_BUTTON(client_->notice().close_button()));
  EXPECT_FALSE(client_->notice().visible());
  EXPECT_EQ(gtk_window_get_focus(window()), focus_before);
}

}  // namespace
}  // namespace pellomar::testing
