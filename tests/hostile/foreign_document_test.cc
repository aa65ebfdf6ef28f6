// Documents that are not the service's own, and service documents in the
// wrong place, through the real engine: a foreign frame inside the order
// page, a data: frame, a foreign top page framing the print page. None of
// them prints, changes the profile or raises a notice; each leaves one line
// on stderr. Also when a completion is captured and what a print page's own
// scripts can and cannot change about it.
#include <gmock/gmock.h>

#include <functional>
#include <utility>

#include "base/text.h"
#include "tests/hostile/hostile_pages.h"
#include "tests/support/client_fixture.h"

namespace pellomar::testing {
namespace {

using Job = RecordingPrinter::Job;
using ::testing::HasSubstr;

struct Sites {
  FixtureService& service;  // on 127.0.0.1
  FixtureService& foreign;  // on 127.0.0.2
};

struct ForeignCase {
  std::string name;
  // Adds the case's pages; returns the address the pane is sent to.
  std::function<std::string(Sites)> pages;
  // The case is over once, for each address prefix, this many completions
  // have been handled.
  std::function<std::vector<std::pair<std::string, int>>(Sites)> awaited;
  std::vector<Job> receipts;  // without their settlement-time lines
  std::string diagnostic;     // part of a line the client writes on stderr; empty for none
};

void PrintTo(const ForeignCase& c, std::ostream* out) { *out << c.name; }

// The standard order's values and items with markup of the case's own.
std::string QuietOrderWith(const std::string& extra) {
  std::string page = QuietOrderPage();
  page.insert(page.rfind("</body>"), extra);
  return page;
}

// A frameset whose "mainFrame" shows the order with extra markup and whose
// "middleFrame" goes to the print page once all has loaded: one real print.
std::string PrintingOrder(FixtureService& service, const std::string& name,
                          const std::string& extra) {
  const std::string path = "/f/" + name;
  service.SetPage(path + "/order.asp", QuietOrderWith(extra));
  return service.origin() +
         AddPrintingFrameset(service, path, path + "/order.asp", "/member/main/print.asp?" + name);
}

std::string Script(const std::string& code) { return "<script>" + code + "</script>"; }

const std::vector<Job> kOneStandard = {StandardReceipt()};

std::vector<ForeignCase> ForeignCases() {
  return {
      {"ForeignFrameAppendsMarkedFrames",
       [](Sites s) {
         s.foreign.SetPage("/ad/append.html",
                           BodyPage(Script("addEventListener('load', () => setTimeout(() => {"
                                           "  const add = (src) => {"
                                           "    const f = document.createElement('iframe');"
                                           "    f.src = src; document.body.appendChild(f); };"
                                           "  for (let i = 0; i < 3; ++i) add('" +
                                           s.service.origin() +
                                           "/x?member/main/print.asp&' + i);"
                                           "  add('" +
                                           s.service.origin() +
                                           "/member/main/print.asp?ad');"
                                           "}, 500));")));
         return PrintingOrder(
             s.service, "append",
             "<iframe name=\"ad\" src=\"" + s.foreign.origin() + "/ad/append.html\"></iframe>");
       },
       [](Sites s) {
         return std::vector<std::pair<std::string, int>>{
             {s.service.origin() + "/x?member/main/print.asp", 3},
             {s.service.origin() + "/member/main/print.asp?ad", 1}};
       },
       kOneStandard, "outside the service"},
      {"ForeignFrameNavigatesItselfToThePrintPage",
       [](Sites s) {
         s.foreign.SetPage(
             "/ad/self.html",
             BodyPage(Script("addEventListener('load', () => setTimeout(() => {"
                             "  location.href = '" +
                             s.service.origin() + "/member/main/print.asp?self'; }, 500));")));
         return PrintingOrder(
             s.service, "self",
             "<iframe name=\"ad\" src=\"" + s.foreign.origin() + "/ad/self.html\"></iframe>");
       },
       [](Sites s) {
         return std::vector<std::pair<std::string, int>>{
             {s.service.origin() + "/member/main/print.asp?self", 1}};
       },
       kOneStandard, "nested frame"},
      {"MarkedDataFrame",
       [](Sites s) {
         return PrintingOrder(s.service, "data",
                              "<iframe src=\"data:text/html,member/main/print.asp\"></iframe>");
       },
       [](Sites) {
         return std::vector<std::pair<std::string, int>>{{"data:text/html,member", 1}};
       },
       kOneStandard, "outside the service"},
      {"ForeignTopFramesThePrintPage",
       [](Sites s) {
         s.service.SetPage("/f/framed/order.asp", QuietOrderPage());
         s.foreign.SetPage("/top.html",
                           Frameset(s.service.origin() + "/member/main/print.asp?framed",
                                    s.service.origin() + "/f/framed/order.asp"));
         return s.foreign.origin() + "/top.html";
       },
       [](Sites s) {
         return std::vector<std::pair<std::string, int>>{
             {s.service.origin() + "/member/main/print.asp?framed", 1}};
       },
       {},
       "outside the service"},
      {"PrintPageRewrittenAfterItsLoad",
       [](Sites s) {
         s.service.SetPage("/f/rewrite/order.asp", QuietOrderPage());
         s.service.SetPage(
             "/f/rewrite/member/main/print.asp",
             BodyPage("1," + Script("addEventListener('load', () => setTimeout(() => {"
                                    "  document.open(); document.write('1,');"
                                    "  document.close(); }, 50));")));
         return s.service.origin() + AddPrintingFrameset(s.service, "/f/rewrite",
                                                         "/f/rewrite/order.asp",
                                                         "/f/rewrite/member/main/print.asp");
       },
       [](Sites s) {
         return std::vector<std::pair<std::string, int>>{
             {s.service.origin() + "/f/rewrite/member/main/print.asp", 1}};
       },
       kOneStandard, ""},
      {"TagRequestListenerChangesTheOrder",
       [](Sites s) {
         s.service.SetPage("/f/tags/order.asp", QuietOrderPage());
         // Every page-world listener of the Tag request forges the order
         // number and puts it back once the event is over.
         s.service.SetPage(
             "/f/tags",
             "<html><head><meta charset=\"utf-8\">" +
                 Script("document.addEventListener('pellomar-tags-request', () => {"
                        "  const ddh = frames['mainFrame'].document.getElementById('Ddh');"
                        "  if (!ddh) return;"
                        "  ddh.value = 'FORGED'; setTimeout(() => { ddh.value = 'A1024'; }, 0);"
                        "}, true);"
                        "addEventListener('load', () => {"
                        "  frames['middleFrame'].location.href = '/member/main/print.asp?tags';"
                        "});") +
                 "</head><frameset rows=\"15%,85%\"><frame name=\"middleFrame\" "
                 "src=\"/member/main/blank.asp\"><frame name=\"mainFrame\" "
                 "src=\"/f/tags/order.asp\"></frameset></html>");
         return s.service.origin() + "/f/tags";
       },
       [](Sites s) {
         return std::vector<std::pair<std::string, int>>{
             {s.service.origin() + "/member/main/print.asp?tags", 1}};
       },
       kOneStandard, ""},
      {"PrintPageLoadHandlerWritesTheCommandAndTheOrder",
       [](Sites s) {
         s.service.SetPage("/f/onload/order.asp", QuietOrderPage());
         s.service.SetPage(
             "/f/onload/member/main/print.asp",
             BodyPage(Script("addEventListener('load', () => {"
                             "  parent.frames['mainFrame'].document.getElementById('Ddh').value ="
                             "      'ONLOAD';"
                             "  document.body.textContent = '1,';"
                             "});")));
         return s.service.origin() + AddPrintingFrameset(s.service, "/f/onload",
                                                         "/f/onload/order.asp",
                                                         "/f/onload/member/main/print.asp");
       },
       [](Sites s) {
         return std::vector<std::pair<std::string, int>>{
             {s.service.origin() + "/f/onload/member/main/print.asp", 1}};
       },
       {StandardReceipt({.order_number = u"ONLOAD"})},
       ""},
  };
}

class ForeignDocumentTest : public ClientTest, public ::testing::WithParamInterface<ForeignCase> {
 protected:
  int CompletionsOf(const std::string& prefix) const {
    int count = 0;
    for (const HandledCompletion& completion : completions_) {
      if (completion.url.starts_with(prefix)) ++count;
    }
    return count;
  }
  std::vector<Job> PrintedReceipts() const {
    std::vector<Job> receipts;
    for (const Job& job : printer_.jobs) receipts.push_back(WithoutSettlementTime(job));
    return receipts;
  }

  FixtureService foreign_{"127.0.0.2"};
};

TEST_P(ForeignDocumentTest, OnlyTheServicesOwnPrintPagePrints) {
  const ForeignCase& c = GetParam();
  ASSERT_TRUE(foreign_.listening());
  const Sites sites{service_, foreign_};
  const std::string start = c.pages(sites);
  StartClient();
  ASSERT_TRUE(WaitForCompletion(Url("/member/index.asp")));

  ::testing::internal::CaptureStderr();
  client_->pane().Navigate(Utf8ToUtf16(start));
  const auto awaited = c.awaited(sites);
  const bool all_came = SpinUntil(
      [&] {
        for (const auto& [prefix, count] : awaited) {
          if (CompletionsOf(prefix) < count) return false;
        }
        return true;
      },
      30000);
  SpinFor(600);  // anything that would still come
  const std::string diagnostics = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(all_came) << ::testing::PrintToString(CompletedUrls());

  EXPECT_EQ(PrintedReceipts(), c.receipts);
  EXPECT_TRUE(printer_.open_job.empty());
  EXPECT_FALSE(client_->notice().visible()) << client_->notice().text();
  EXPECT_EQ(client_->profile(), LoginProfile{});
  if (!c.diagnostic.empty()) {
    EXPECT_THAT(diagnostics, HasSubstr(c.diagnostic));
  }
}

INSTANTIATE_TEST_SUITE_P(Matrix, ForeignDocumentTest, ::testing::ValuesIn(ForeignCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace pellomar::testing
