// The page bridge against real pages: which completions arrive, what the
// captured page model holds, and what a page cannot make the client do.
#include <signal.h>

#include <gmock/gmock.h>

#include <algorithm>

#include "base/text.h"
#include "tests/support/client_fixture.h"
#include "tests/support/processes.h"

namespace pellomar::testing {
namespace {

using ::testing::Contains;
using ::testing::Not;

class BridgeTest : public ClientTest {
 protected:
  const HandledCompletion* Find(const std::string& url) const {
    for (const HandledCompletion& completion : completions_) {
      if (completion.url == url) return &completion;
    }
    return nullptr;
  }
  std::vector<std::u16string> AllPrintedLines() const {
    std::vector<std::u16string> lines;
    for (const auto& job : printer_.jobs) lines.insert(lines.end(), job.begin(), job.end());
    return lines;
  }
  bool Printed(std::u16string_view text) const {
    const auto lines = AllPrintedLines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::u16string& line) { return line.find(text) != line.npos; });
  }
};

TEST_F(BridgeTest, TopLevelAndEveryFrameCompleteOnceInOrder) {
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  SpinFor(300);  // nothing more is to come

  std::vector<std::string> urls = CompletedUrls();
  ASSERT_EQ(urls.size(), 4u) << ::testing::PrintToString(urls);
  EXPECT_EQ(urls.back(), Url("/member/index.asp"));  // a frameset completes after its frames
  const auto at = [&](const std::string& path) {
    return std::find(urls.begin(), urls.end(), Url(path)) - urls.begin();
  };
  EXPECT_LT(at("/member/main/inner.asp"), at("/member/main/welcome.asp"));
  EXPECT_LT(at("/member/main/blank.asp"), 3);

  // None of these is a print page: none carries the page model.
  for (const HandledCompletion& completion : completions_) {
    EXPECT_FALSE(completion.top) << completion.url;
  }
}

// A print page's completion, a frame's too, sees the top-level page with its
// frames as they are at that moment. (Command "3" does nothing.)
TEST_F(BridgeTest, PrintPageCompletionCarriesTheTopLevelPageWithItsFrames) {
  const std::string command = "/member/main/three.asp?member/main/print.asp";
  service_.SetPage("/member/main/three.asp", BodyPage("3"));
  service_.SetPage("/member/frames.asp",
                   Frameset("/member/main/blank.asp", "/member/main/framed.asp"));
  service_.SetPage("/member/main/framed.asp",
                   BodyPage("<iframe name=\"inner\" src=\"/member/main/inner.asp\"></iframe>"
                            "<script>window.addEventListener('load', () => {"
                            "  parent.frames['middleFrame'].location.href = '" +
                            command + "';});</script>"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/frames.asp")));
  ASSERT_TRUE(WaitForCompletion(Url(command)));

  const HandledCompletion* print = Find(Url(command));
  ASSERT_TRUE(print->top);
  EXPECT_EQ(print->top->url, Utf8ToUtf16(Url("/member/frames.asp")));
  ASSERT_NE(print->top->Frame(u"middleFrame"), nullptr);
  EXPECT_EQ(print->top->Frame(u"middleFrame")->body_html, u"3");
  ASSERT_NE(print->top->Frame(u"mainFrame"), nullptr);
  const DocumentSnapshot* inner = print->top->Frame(u"mainFrame")->Frame(u"inner");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->body_html, u"<p>inner</p>");
  EXPECT_TRUE(printer_.jobs.empty());
  EXPECT_FALSE(client_->notice().visible());
}

TEST_F(BridgeTest, PrintCommandPrintsTheOrderAsThePageHasIt) {
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  ASSERT_TRUE(SpinUntil([&] { return !printer_.jobs.empty(); }));
  SpinFor(300);
  EXPECT_EQ(printer_.jobs.size(), 1u);

  const HandledCompletion* print = Find(Url("/member/main/print.asp"));
  ASSERT_NE(print, nullptr);
  ASSERT_TRUE(print->top);
  const DocumentSnapshot* order = print->top->Frame(u"mainFrame");
  ASSERT_NE(order, nullptr);
  ASSERT_NE(order->ValueOf(u"tingtaihao"), nullptr);
  EXPECT_EQ(*order->ValueOf(u"tingtaihao"), u"大厅3");
  ASSERT_EQ(order->inputs.size(), 11u);
  EXPECT_EQ(order->inputs[7], (InputSnapshot{u"checkbox", true, u"红烧肉,份,x,1,38"}));
  EXPECT_EQ(order->inputs[8], (InputSnapshot{u"checkbox", false, u"米饭,碗,x,2,4"}));
  EXPECT_EQ(order->inputs[9], (InputSnapshot{u"radio", true, u"Radio,p,x,1,9"}));
  // The page's script set this Tag; its markup says otherwise.
  EXPECT_EQ(order->inputs[10], (InputSnapshot{u"checkbox", true, u"Tea,壶,x,2,8"}));

  EXPECT_TRUE(Printed(u"单号:A1024"));
  EXPECT_TRUE(Printed(u"红烧肉"));
  EXPECT_TRUE(Printed(u"Tea"));
  EXPECT_TRUE(Printed(u"壶"));
  EXPECT_FALSE(Printed(u"米饭"));
  EXPECT_FALSE(Printed(u"Radio"));
  EXPECT_FALSE(Printed(u"wrong"));
  EXPECT_FALSE(client_->notice().visible());
}

// A frame completes while the receipt is still going to the printer, which
// keeps the main loop running: that completion waits until printing is over.
TEST_F(BridgeTest, ACompletionWaitsUntilTheOneBeforeHasBeenHandled) {
  service_.SetPage("/member/main/order.asp",
                   OrderPage("<iframe name=\"late\" src=\"/member/main/blank.asp\"></iframe>"
                             "<script>window.addEventListener('load', () => setTimeout(() => {"
                             "  document.querySelector('iframe').src = '/member/main/late.asp';"
                             "}, 100));</script>"));
  service_.SetPage("/member/main/late.asp", BodyPage("late"));
  std::vector<std::string> events;
  hooked_printer_.while_ending = [&] {
    events.push_back("printing");
    SpinFor(1500);
    events.push_back("printed");
  };
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  const size_t before = completions_.size();
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  ASSERT_TRUE(WaitForCompletion(Url("/member/main/late.asp")));

  for (size_t i = before; i < completions_.size(); ++i) {
    if (completions_[i].url.ends_with("print.asp") || completions_[i].url.ends_with("late.asp")) {
      events.push_back(completions_[i].url.substr(completions_[i].url.rfind('/') + 1));
    }
  }
  EXPECT_EQ(events, (std::vector<std::string>{"printing", "printed", "print.asp", "late.asp"}));
  EXPECT_EQ(printer_.jobs.size(), 1u);
}

TEST_F(BridgeTest, ProfileCommandSetsTheProfile) {
  service_.SetPage("/member/main/print.asp",
                   BodyPage("2,Com_UserName=u1&Com_nName=蓝天酒家&Com_Tel=010-1234,ignored"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  ASSERT_TRUE(WaitForCompletion(Url("/member/main/print.asp")));

  // The page model hands over the body as serialized markup.
  const DocumentSnapshot* middle = Find(Url("/member/main/print.asp"))->top->Frame(u"middleFrame");
  ASSERT_NE(middle, nullptr);
  EXPECT_EQ(middle->body_html,
            u"2,Com_UserName=u1&amp;Com_nName=蓝天酒家&amp;Com_Tel=010-1234,ignored");
  EXPECT_EQ(client_->profile().Com_UserName, u"u1");
  EXPECT_EQ(client_->profile().Com_nName, u"蓝天酒家");
  EXPECT_EQ(client_->profile().Com_Tel, u"010-1234");
  EXPECT_TRUE(printer_.jobs.empty());
}

// A page that knows the bridge's names tries to post a print completion of
// its own, to fake a load event, to answer for the Tag mirror, and to stop
// the real load event from being seen.
TEST_F(BridgeTest, PageScriptsCannotForgeOrSuppressCompletions) {
  // The page sits at a print-page address, so that its completion carries
  // the model; its middle frame's command "3" does nothing.
  const std::string forge_page = "/member/main/forge.asp?member/main/print.asp";
  service_.SetPage("/member/forge.asp", Frameset("/member/main/three.asp", forge_page));
  service_.SetPage("/member/main/three.asp", BodyPage("3"));
  service_.SetPage(
      "/member/main/forge.asp",
      BodyPage(
          "<p id=\"reach\">?</p><input type=\"checkbox\" checked Tag=\"real,p,x,1,1\">"
          "<script>"
          "window.addEventListener('load', (e) => e.stopImmediatePropagation(), true);"
          "document.addEventListener('pellomar-tags-request', () => document.dispatchEvent("
          "  new CustomEvent('pellomar-tags', {detail: '[\"forged\"]'})), true);"
          "const forged = JSON.stringify({url: location.origin + '/member/main/print.asp',"
          "  top: {url: location.origin + '/member/index.asp', frames: [['middleFrame',"
          "  {url: 'x', body: '1'}]]}});"
          "let reach = 'unreachable';"
          "try { window.webkit.messageHandlers.pellomar.postMessage(forged); reach = 'posted'; }"
          "catch (e) {}"
          "document.getElementById('reach').textContent = reach;"
          "window.dispatchEvent(new Event('load'));"
          "document.dispatchEvent(new Event('load'));"
          "</script><p>after the fake load</p>"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  LoadAndWait(Url("/member/forge.asp"));
  SpinFor(500);

  std::vector<std::string> urls = CompletedUrls();
  EXPECT_THAT(urls, Not(Contains(Url("/member/main/print.asp"))));
  EXPECT_EQ(std::count(urls.begin(), urls.end(), Url(forge_page)), 1);
  EXPECT_TRUE(printer_.jobs.empty());

  // The completion came with the real load, when the whole page was there.
  const auto completion = std::find_if(completions_.begin(), completions_.end(),
                                       [&](auto& c) { return c.url == Url(forge_page); });
  ASSERT_NE(completion, completions_.end());
  ASSERT_TRUE(completion->top);
  const DocumentSnapshot* forge = completion->top->Frame(u"mainFrame");
  ASSERT_NE(forge, nullptr);
  ASSERT_TRUE(forge->body_html);
  EXPECT_NE(forge->body_html->find(u"after the fake load"), std::u16string::npos);
  EXPECT_NE(forge->body_html->find(u"unreachable"), std::u16string::npos);
  // A page can answer for its own Tags, which it owns anyway; nothing more.
  ASSERT_EQ(forge->inputs.size(), 1u);
  EXPECT_EQ(forge->inputs[0].tag, u"forged");
}

TEST_F(BridgeTest, PrintPageOfAnotherOriginDoesNothing) {
  FixtureService elsewhere("127.0.0.2");
  ASSERT_TRUE(elsewhere.listening());
  AddServicePages(elsewhere);
  elsewhere.SetPage("/member/main/print.asp", BodyPage("1,"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));

  const std::string print = elsewhere.origin() + "/member/main/print.asp";
  client_->pane().Navigate(Utf8ToUtf16(elsewhere.origin() + "/member/order.asp"));
  ASSERT_TRUE(WaitForCompletion(print));
  SpinFor(300);
  EXPECT_TRUE(printer_.jobs.empty());
  EXPECT_TRUE(printer_.open_job.empty());

  // The same pages from the service itself do print.
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  EXPECT_TRUE(SpinUntil([&] { return printer_.jobs.size() == 1; }));
}

// A frame from another origin cannot be read: it is absent from the model,
// and its own completion, which cannot read the top-level page, has none.
// Both documents sit at print-page addresses, so that their completions try
// to capture the model; the middle frame's command "3" does nothing.
TEST_F(BridgeTest, FrameOfAnotherOriginIsAbsentFromTheModel) {
  FixtureService elsewhere("127.0.0.2");
  ASSERT_TRUE(elsewhere.listening());
  AddServicePages(elsewhere);
  const std::string mixed = "/member/mixed.asp?member/main/print.asp";
  service_.SetPage("/member/mixed.asp", Frameset("/member/main/three.asp",
                                                 elsewhere.origin() + "/member/main/print.asp"));
  service_.SetPage("/member/main/three.asp", BodyPage("3"));
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  LoadAndWait(Url(mixed));

  const HandledCompletion& top = completions_.back();
  ASSERT_EQ(top.url, Url(mixed));
  ASSERT_TRUE(top.top);
  EXPECT_NE(top.top->Frame(u"middleFrame"), nullptr);
  EXPECT_EQ(top.top->Frame(u"mainFrame"), nullptr);
  const HandledCompletion* foreign = Find(elsewhere.origin() + "/member/main/print.asp");
  ASSERT_NE(foreign, nullptr);
  EXPECT_FALSE(foreign->top);
  EXPECT_TRUE(printer_.jobs.empty());
}

TEST_F(BridgeTest, CrashedWebProcessReloadsThePageWithANotice) {
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));
  ASSERT_EQ(service_.RequestCount("/member/index.asp"), 1);
  const std::vector<pid_t> processes = OwnWebProcesses();
  ASSERT_FALSE(processes.empty());
  for (pid_t pid : processes) kill(pid, SIGKILL);

  ASSERT_TRUE(SpinUntil([&] {
    return std::count_if(completions_.begin(), completions_.end(),
                         [&](const auto& c) { return c.url == Url("/member/index.asp"); }) == 2;
  }));
  EXPECT_EQ(service_.RequestCount("/member/index.asp"), 2);
  EXPECT_TRUE(client_->notice().visible());
  EXPECT_NE(client_->notice().text().find("重新加载"), std::string::npos);
}

}  // namespace
}  // namespace pellomar::testing
