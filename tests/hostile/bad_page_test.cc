// Broken and hostile service pages through the real engine: for each, the
// receipts that come out (count and content), a notice for every refusal,
// never a half-finished job, and a client that still prints a good order
// afterwards.
#include <gmock/gmock.h>

#include <chrono>
#include <functional>

#include "base/text.h"
#include "tests/hostile/hostile_pages.h"
#include "tests/support/client_fixture.h"

namespace pellomar::testing {
namespace {

using Job = RecordingPrinter::Job;

struct Services {
  FixtureService& service;  // the service, on 127.0.0.1
  FixtureService& other;    // another origin, on 127.0.0.2
};

struct BadPage {
  std::string name;
  // Adds the case's pages and returns the path the pane is sent to.
  std::function<std::string(Services)> pages;
  // The case is over once this many completions of addresses starting with
  // this path have been handled.
  std::string awaited;
  int awaited_count = 1;
  std::vector<Job> receipts;  // without their settlement-time lines
  std::string notice;         // part of the notice shown; empty for none
  std::u16string shop_after;  // the shop name the profile has afterwards
};

void PrintTo(const BadPage& page, std::ostream* out) { *out << page.name; }

constexpr char kValues[] = "/c/values.asp";

// A frameset showing the standard order, whose middle frame is sent to a
// print page of the case's own with this body.
std::function<std::string(Services)> PrintPageWithBody(const std::string& name,
                                                       std::function<std::string()> body) {
  return [=](Services s) {
    s.service.SetPage(kValues, QuietOrderPage());
    const std::string print = "/c/" + name + "/member/main/print.asp";
    s.service.SetPage(print, BodyPage(body()));
    return AddPrintingFrameset(s.service, "/c/" + name, kValues, print);
  };
}

std::string PrintOf(const std::string& name) { return "/c/" + name + "/member/main/print.asp"; }

// The standard order page with markup of the case's own after its items.
std::function<std::string(Services)> OrderWith(const std::string& name,
                                               std::function<std::string()> extra) {
  return [=](Services s) { return AddOrder(s.service, "/c/" + name, extra()); };
}

std::string CheckedItem(const std::string& tag) {
  return "<input type=\"checkbox\" checked Tag=\"" + tag + "\">";
}

std::string SetValue(const std::string& id, const std::string& value) {
  return "<script>document.getElementById('" + id + "').value = '" + value + "';</script>";
}

std::string MillionPairProfile() {
  std::string text = "2,";
  text.reserve(12'000'000);
  for (int i = 0; i < 999'999; ++i) text += "k" + std::to_string(i) + "=v&";
  return text + "Com_nName=百万";
}

// 100,000 inputs: text boxes and unchecked boxes, and four checked items
// spread among them.
std::string HundredThousandInputs() {
  std::string markup;
  markup.reserve(5'000'000);
  for (int i = 0; i < 100'000; ++i) {
    if (i % 25'000 == 12'345) {
      markup += CheckedItem("Item" + std::to_string(i / 25'000) + ",p,x,1,1");
    } else if (i % 2 == 0) {
      markup += "<input type=\"checkbox\" Tag=\"no,p,x,1,1\">";
    } else {
      markup += "<input value=\"t\">";
    }
  }
  return markup;
}

// Built-ins of the page's world replaced before the print page completes:
// whatever the bridge relies on must not come from there.
constexpr char kPoisonedBuiltins[] =
    "<script>"
    "window.addEventListener('load', (event) => {"
    "  event.stopImmediatePropagation();"
    "  const middle = parent.frames['middleFrame'];"
    "  const boom = () => { throw new Error('poisoned'); };"
    "  JSON.stringify = () => '[\"Fake,p,x,1,1\"]'; JSON.parse = boom;"
    "  Array.prototype.push = boom; Array.isArray = () => false;"
    "  Object.prototype.hasOwnProperty = () => true; Object.prototype.get = boom;"
    "  Object.defineProperty(Array.prototype, '0', {set: boom, configurable: true});"
    "  HTMLCollection.prototype.item = boom;"
    "  Element.prototype.getAttribute = () => 'Fake,p,x,1,1';"
    "  Document.prototype.querySelectorAll = boom;"
    "  Document.prototype.getElementsByTagName = boom;"
    "  EventTarget.prototype.dispatchEvent = boom;"
    "  EventTarget.prototype.addEventListener = boom;"
    "  window.CustomEvent = function () { throw new Error('poisoned'); };"
    "  String = boom;"
    "  middle.location.href = '/member/main/print.asp';"
    "}, true);"
    "</script>";

// A page that knows the bridge's names posts completions of its own.
constexpr char kForgedCompletions[] =
    "<script>"
    "window.addEventListener('load', (event) => event.stopImmediatePropagation(), true);"
    "const forged = JSON.stringify({url: location.origin + '/member/main/print.asp',"
    "  top: {url: location.origin + '/member/index.asp', body: '', values: [], inputs: [],"
    "  frames: [['middleFrame', {url: 'x', body: '1', values: [], inputs: [], frames: []}],"
    "  ['mainFrame', {url: 'y', body: '', values: [['Ddh', 'FORGED']], inputs: [],"
    "  frames: []}]]}});"
    "const tries = [];"
    "for (const name of ['pellomar', 'pellomar-bridge', 'bridge']) {"
    "  try { window.webkit.messageHandlers[name].postMessage(forged); tries.push(name); }"
    "  catch (e) {}"
    "}"
    "window.webkit = {messageHandlers: {pellomar: {postMessage: () => {}}}};"
    "for (const frame of [window, parent, top]) {"
    "  try { frame.postMessage(forged, '*'); } catch (e) {}"
    "}"
    "document.title = 'posted:' + tries.join(',');"
    "</script>";

std::vector<Job> Receipts(int n, const std::function<ReceiptChanges(int)>& changes) {
  std::vector<Job> jobs;
  for (int i = 0; i < n; ++i) jobs.push_back(StandardReceipt(changes(i)));
  return jobs;
}

const std::vector<Job> kStandard = {StandardReceipt()};
const std::vector<Job> kNone = {};

std::vector<BadPage> BadPages() {
  const auto print_page = [](const std::string& body) {
    return [body](Services s) {
      s.service.SetPage(PrintOf("bare"), BodyPage(body));
      return PrintOf("bare");
    };
  };
  const auto cross_origin_main = [](const std::string& name, bool other_address) {
    return [=](Services s) {
      FixtureService& host = other_address ? s.other : s.service;
      host.SetPage(kValues, QuietOrderPage());
      const std::string main = other_address
                                   ? host.origin() + kValues
                                   : "http://localhost:" + s.service.host().substr(10) + kValues;
      return AddPrintingFrameset(s.service, "/c/" + name, main, "/member/main/print.asp");
    };
  };
  const auto bad_item = [](const std::string& name, const std::string& markup,
                           const std::string& notice) {
    return BadPage{
        name, OrderWith(name, [=] { return markup; }), "/member/main/print.asp", 1, kNone, notice};
  };
  return {
      {"NoFramesAtAll", print_page("1,"), PrintOf("bare"), 1, kNone, "页面缺少 middleFrame"},
      {"MiddleFrameMissing",
       [](Services s) {
         s.service.SetPage(kValues, QuietOrderPage());
         s.service.SetPage(
             "/c/nomiddle",
             "<html><head><script>window.addEventListener('load', () => {"
             "frames['otherFrame'].location.href = '/member/main/print.asp';});</script></head>"
             "<frameset rows=\"15%,85%\"><frame name=\"otherFrame\" "
             "src=\"/member/main/blank.asp\"><frame name=\"mainFrame\" src=\"/c/values.asp\">"
             "</frameset></html>");
         return std::string("/c/nomiddle");
       },
       "/member/main/print.asp", 1, kNone, "页面缺少 middleFrame"},
      {"MainFrameFromAnotherAddress", cross_origin_main("xaddress", true), "/member/main/print.asp",
       1, kNone, "页面缺少 mainFrame"},
      {"MainFrameFromLocalhost", cross_origin_main("xlocalhost", false), "/member/main/print.asp",
       1, kNone, "页面缺少 mainFrame"},
      {"BodyEmpty", PrintPageWithBody("empty", [] { return ""; }), PrintOf("empty"), 1, kNone,
       "指令为空"},
      {"BodyOfTenMegabytes",
       PrintPageWithBody("huge", [] { return "1," + std::string(10 << 20, 'x'); }), PrintOf("huge"),
       1, kStandard, ""},
      {"CommandTwoAlone", PrintPageWithBody("two", [] { return "2"; }), PrintOf("two"), 1, kNone,
       "缺少登录资料"},
      {"ProfileOfAMillionPairs", PrintPageWithBody("million", MillionPairProfile),
       PrintOf("million"), 1, kNone, "", u"百万"},
      {"HundredThousandInputs",
       OrderWith("inputs", HundredThousandInputs),
       "/member/main/print.asp",
       1,
       {StandardReceipt(
           {.extra_item_lines = {u"Item0    1p      1.00", u"Item1    1p      1.00",
                                 u"Item2    1p      1.00", u"Item3    1p      1.00"}})},
       ""},
      bad_item("TagOfFourFields", CheckedItem("Four,p,x,1"), "菜品记录不完整"),
      bad_item("TagANumber",
               "<input type=\"checkbox\" checked id=\"n\">"
               "<script>document.getElementById('n').Tag = 42;</script>",
               "没有菜品记录"),
      bad_item("TagAnObject",
               "<input type=\"checkbox\" checked id=\"o\" Tag=\"Attr,p,x,1,1\"><script>"
               "document.getElementById('o').Tag = {toString: () => 'Obj,p,x,1,1'};</script>",
               "没有菜品记录"),
      bad_item("TagGetterThrows",
               "<input type=\"checkbox\" checked id=\"t\" Tag=\"Attr,p,x,1,1\"><script>"
               "Object.defineProperty(document.getElementById('t'), 'Tag',"
               "  {get() { throw new Error('no'); }});</script>",
               "没有菜品记录"),
      bad_item("ItemAmountNotANumber", CheckedItem("Bad,p,x,1,abc"), "金额不是数字"),
      bad_item("ItemAmountEmpty", CheckedItem("Bad,p,x,1,"), "金额不是数字"),
      bad_item("ItemAmountBeyondDouble", CheckedItem("Bad,p,x,1,1e309"), "金额不是数字"),
      {"ItemAmountMinusZero",
       OrderWith("minuszero", [] { return CheckedItem("Zero,p,x,1,-0"); }),
       "/member/main/print.asp",
       1,
       {StandardReceipt({.extra_item_lines = {u"Zero      1p      0.00"}})},
       ""},
      bad_item("TotalNotANumber", SetValue("zje", "abc"), "zje 不是数字"),
      bad_item("TotalBeyondDouble", SetValue("zje", "1e309"), "zje 不是数字"),
      bad_item("PaidEmpty", SetValue("sszje", ""), "sszje 不是数字"),
      {"IdsPresentTwice",
       OrderWith("twice",
                 [] {
                   return "<input type=\"hidden\" id=\"Ddh\" value=\"SECOND\">"
                          "<input type=\"hidden\" id=\"zje\" value=\"999\"><script>"
                          "const first = document.createElement('input');"
                          "first.type = 'hidden'; first.id = 'Ddh'; first.value = 'FIRST';"
                          "document.body.insertBefore(first, document.body.firstChild);"
                          "</script>";
                 }),
       "/member/main/print.asp",
       1,
       {StandardReceipt({.order_number = u"FIRST"})},
       ""},
      {"PrintPageLeavesInItsLoadHandler",
       PrintPageWithBody("leaves",
                         [] {
                           return "1,<script>window.addEventListener('load', () => "
                                  "location.replace('/member/main/blank.asp?left'));</script>";
                         }),
       "/member/main/blank.asp?left", 1, kStandard, ""},
      {"PrintPageLeavesWhileLoading",
       PrintPageWithBody("leaving",
                         [] {
                           return "1,<script>location.replace('/member/main/blank.asp?left');"
                                  "</script>";
                         }),
       // The print page never completes: it is replaced before its load.
       "/member/main/blank.asp?left", 1, kNone, ""},
      {"FiftyPrintPagesInARow",
       OrderWith("fifty", [] { return RepeatedPrintScript(50, PrintOf("bare")); }), PrintOf("bare"),
       50,
       Receipts(50,
                [](int i) {
                  return ReceiptChanges{.order_number = Utf8ToUtf16(std::to_string(i + 1))};
                }),
       ""},
      {"PageScriptForgesCompletions", OrderWith("forge", [] { return kForgedCompletions; }),
       "/c/forge/member/main/order.asp", 1, kNone, ""},
      {"PageScriptPoisonsBuiltins", OrderWith("poison", [] { return kPoisonedBuiltins; }),
       "/member/main/print.asp", 1, kStandard, ""},
  };
}

class BadPageTest : public ClientTest, public ::testing::WithParamInterface<BadPage> {
 protected:
  // Some pages here are huge on purpose; on a loaded machine the engine may
  // be busy with one for longer than the hang limit, which is not what these
  // cases are about.
  BadPageTest() { hung_after_seconds_ = 60; }

  int CompletionsOf(const std::string& path) const {
    int count = 0;
    for (const HandledCompletion& completion : completions_) {
      if (completion.url.starts_with(Url(path))) ++count;
    }
    return count;
  }
  std::vector<Job> PrintedReceipts() const {
    std::vector<Job> receipts;
    for (const Job& job : printer_.jobs) receipts.push_back(WithoutSettlementTime(job));
    return receipts;
  }

  FixtureService other_{"127.0.0.2"};
};

TEST_P(BadPageTest, GivesExactlyTheExpectedReceiptsAndStaysUsable) {
  const BadPage& page = GetParam();
  ASSERT_TRUE(other_.listening());
  // The print page of this case's own; the service's standard one stays good.
  service_.SetPage(PrintOf("bare"), BodyPage("1,"));
  const std::string start = page.pages({service_, other_});
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));

  client_->pane().Navigate(Utf8ToUtf16(Url(start)));
  ASSERT_TRUE(SpinUntil([&] { return CompletionsOf(page.awaited) >= page.awaited_count; }, 30000))
      << CompletionsOf(page.awaited) << " completions of " << page.awaited;
  SpinFor(300);  // anything that would still come

  EXPECT_EQ(PrintedReceipts(), page.receipts);
  EXPECT_TRUE(printer_.open_job.empty());
  if (page.notice.empty()) {
    EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  } else {
    EXPECT_TRUE(client_->notice().visible());
    EXPECT_THAT(client_->notice().text(), ::testing::HasSubstr(page.notice));
  }
  EXPECT_EQ(client_->profile().Com_nName, page.shop_after);

  // A good print page prints as ever.
  const std::size_t before = printer_.jobs.size();
  const auto start_time = std::chrono::steady_clock::now();
  client_->pane().Navigate(Utf8ToUtf16(Url("/member/order.asp")));
  ASSERT_TRUE(SpinUntil([&] { return printer_.jobs.size() == before + 1; }));
  RecordProperty("good_print_ms",
                 static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - start_time)
                                      .count()));
  EXPECT_EQ(WithoutSettlementTime(printer_.jobs.back()),
            StandardReceipt({.shop = page.shop_after}));
}

INSTANTIATE_TEST_SUITE_P(Matrix, BadPageTest, ::testing::ValuesIn(BadPages()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace pellomar::testing
