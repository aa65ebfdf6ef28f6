// Pages that try to hold the till: a foreign frame nagging with dialogs, a
// frame stuck in a busy loop, a page whose web process ends after every
// load. Each time the real print still happens, or the page is given up
// on our error page, and the window stays usable.
#include <signal.h>

#include <gmock/gmock.h>

#include <algorithm>

#include "base/text.h"
#include "tests/hostile/hostile_pages.h"
#include "tests/support/client_fixture.h"
#include "tests/support/processes.h"

namespace pellomar::testing {
namespace {

using ::testing::HasSubstr;

class HeldTillTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    ASSERT_TRUE(other_.listening());
  }
  std::string Title() const {
    const char* title = webkit_web_view_get_title(client_->pane().view());
    return title ? title : "";
  }
  // A script for a service page that asks the service for path once the
  // page has loaded: our error pages, shown in a page's place, do not.
  static std::string AskOnLoad(const std::string& path) {
    return "<script>window.addEventListener('load', () => fetch('" + path + "'));</script>";
  }

  FixtureService other_{"127.0.0.2"};
};

// The foreign frame opens the print dialog, asks, then nags for ever, also
// through a fresh frame of its own; the order page around it prints once,
// the frame's questions are answered no, and nothing of it reaches the
// person at the window.
TEST_F(HeldTillTest, ForeignDialogsAreNotShownAndTheRealPrintHappens) {
  other_.SetPage("/nag.html", BodyPage("<script>"
                                       "print();"
                                       "top.postMessage(JSON.stringify([confirm('允许吗？'),"
                                       "  prompt('请输入密码', 'x')]), '*');"
                                       "const fresh = document.createElement('iframe');"
                                       "document.body.appendChild(fresh);"
                                       "(function nag() {"
                                       "  alert('恭喜中奖');"
                                       "  fresh.contentWindow.alert('恭喜中奖');"
                                       "  setTimeout(nag, 20);"
                                       "})();</script>"));
  service_.SetPage("/member/nagged.asp",
                   "<html><head><meta charset=\"utf-8\"><script>"
                   "addEventListener('message', (e) => { document.title = 'answers:' + e.data; });"
                   "</script></head><frameset rows=\"15%,85%\">"
                   "<frame name=\"middleFrame\" src=\"/member/main/blank.asp\">"
                   "<frame name=\"mainFrame\" src=\"/member/main/nagged_order.asp\"></frameset>"
                   "</html>");
  service_.SetPage("/member/main/nagged_order.asp",
                   OrderPage("<iframe src=\"" + other_.origin() + "/nag.html\"></iframe>"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));

  client_->pane().Navigate(Utf8ToUtf16(Url("/member/nagged.asp")));
  ASSERT_TRUE(SpinUntil([&] { return printer_.jobs.size() == 1; }, 20000))
      << "the order did not print";
  SpinFor(1500);  // the frame keeps nagging meanwhile
  ASSERT_EQ(printer_.jobs.size(), 1u);
  EXPECT_EQ(WithoutSettlementTime(printer_.jobs[0]), StandardReceipt());
  EXPECT_EQ(Title(), "answers:[false,null]");
  EXPECT_EQ(client_->dialogs().shown_count(), 0);
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
}

GtkWidget* FindEntry(GtkWidget* widget) {
  if (GTK_IS_ENTRY(widget)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget* found = nullptr;
  for (GList* child = children; child && !found; child = child->next) {
    found = FindEntry(GTK_WIDGET(child->data));
  }
  g_list_free(children);
  return found;
}

std::string MessageOf(GtkWidget* dialog) {
  gchar* text = nullptr;
  g_object_get(dialog, "text", &text, nullptr);
  std::string message = text ? text : "";
  g_free(text);
  return message;
}

// The service's own questions reach the person at the window, under the
// program's caption and modal to it; past three in ten seconds the page is
// answered without asking, and told once.
TEST_F(HeldTillTest, ServiceDialogsAreAskedAndAFloodIsAnswered) {
  service_.SetPage("/member/ask.asp",
                   BodyPage("<script>window.addEventListener('load', () => {"
                            "  const answers = [confirm('结账吗？'), prompt('人数', '2')];"
                            "  alert('已结账');"
                            "  answers.push(confirm('再结一次？'));"
                            "  for (let i = 0; i < 5; ++i) alert('again');"
                            "  answers.push(prompt('再输一次', 'x'));"
                            "  document.title = 'answers:' + JSON.stringify(answers);"
                            "});</script>"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/ask.asp")));

  const auto next_dialog = [&](const std::string& message) -> GtkWidget* {
    if (!SpinUntil([&] { return client_->dialogs().shown() != nullptr; })) return nullptr;
    GtkWidget* dialog = client_->dialogs().shown();
    EXPECT_EQ(MessageOf(dialog), message);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "PellomarV1.0");
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), client_->window());
    return dialog;
  };
  GtkWidget* confirm = next_dialog("结账吗？");
  ASSERT_NE(confirm, nullptr);
  gtk_dialog_response(GTK_DIALOG(confirm), GTK_RESPONSE_OK);
  GtkWidget* prompt = next_dialog("人数");
  ASSERT_NE(prompt, nullptr);
  GtkWidget* entry = FindEntry(prompt);
  ASSERT_NE(entry, nullptr);
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "2");
  gtk_entry_set_text(GTK_ENTRY(entry), "4");
  gtk_dialog_response(GTK_DIALOG(prompt), GTK_RESPONSE_OK);
  GtkWidget* alert = next_dialog("已结账");
  ASSERT_NE(alert, nullptr);
  gtk_dialog_response(GTK_DIALOG(alert), GTK_RESPONSE_OK);

  ASSERT_TRUE(SpinUntil([&] { return Title().starts_with("answers:"); }));
  EXPECT_EQ(Title(), "answers:[true,\"4\",false,null]");
  EXPECT_EQ(client_->dialogs().shown_count(), 3);
  EXPECT_EQ(client_->dialogs().shown(), nullptr);
  EXPECT_TRUE(client_->notice().visible());
  EXPECT_THAT(client_->notice().text(), HasSubstr("连续弹出对话框"));
}

TEST_F(HeldTillTest, BusyLoopIsEndedAndTheTillPrintsAgain) {
  other_.SetPage("/busy.html", BodyPage("<script>setTimeout(() => { while (true) {} }, 300);"
                                        "</script>"));
  service_.SetPage("/member/busy.asp",
                   BodyPage("<p id=\"busy\">busy</p><iframe src=\"" + other_.origin() +
                            "/busy.html\"></iframe>" + AskOnLoad("/member/busy-loaded")));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/busy.asp")));
  ASSERT_TRUE(SpinUntil([&] { return other_.RequestCount("/busy.html") == 1; }));
  // The reloaded frame behaves.
  other_.SetPage("/busy.html", BodyPage("calm"));

  // Ended after 10 s of no answer, reloaded with a notice.
  ASSERT_TRUE(SpinUntil([&] { return service_.RequestCount("/member/busy-loaded") == 2; }, 20000))
      << "the hung page was not reloaded";
  EXPECT_TRUE(client_->notice().visible());
  EXPECT_THAT(client_->notice().text(), HasSubstr("重新加载"));
  EXPECT_EQ(service_.RequestCount("/member/busy.asp"), 2);

  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  ASSERT_TRUE(SpinUntil([&] { return printer_.jobs.size() == 1; }));
  EXPECT_EQ(WithoutSettlementTime(printer_.jobs[0]), StandardReceipt());
}

// A page whose web process ends after every load (here: killed each time
// it has loaded) is reloaded a few times, ever more slowly, and then left on
// the error page, whose link still loads it.
TEST_F(HeldTillTest, PageThatKeepsCrashingIsGivenUpOnTheErrorPage) {
  service_.SetPage("/member/crashy.asp",
                   BodyPage("<p id=\"crashy\">crashy</p>" + AskOnLoad("/member/crashy-loaded")));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  const std::string crashy = Url("/member/crashy.asp");
  client_->pane().Navigate(Utf8ToUtf16(crashy));

  int killed_after = 0;
  ASSERT_TRUE(SpinUntil(
      [&] {
        const int loads = service_.RequestCount("/member/crashy-loaded");
        if (loads > killed_after) {
          killed_after = loads;
          for (pid_t pid : OwnWebProcesses()) kill(pid, SIGKILL);
        }
        return client_->notice().text().find("多次意外停止") != std::string::npos &&
               Title() == "无法打开页面" && !webkit_web_view_is_loading(client_->pane().view());
      },
      60000))
      << "not given up after " << killed_after << " loads";
  EXPECT_EQ(killed_after, 5);
  EXPECT_EQ(service_.RequestCount("/member/crashy.asp"), 5);
  EXPECT_TRUE(client_->notice().visible());
  EXPECT_THAT(client_->notice().text(), HasSubstr("多次"));
  SpinFor(4000);
  EXPECT_EQ(service_.RequestCount("/member/crashy.asp"), 5) << "reloaded after giving up";

  webkit_web_view_evaluate_javascript(client_->pane().view(),
                                      "document.getElementById('retry').click()", -1, nullptr,
                                      nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(SpinUntil([&] { return service_.RequestCount("/member/crashy.asp") == 6; }));
}

}  // namespace
}  // namespace pellomar::testing
