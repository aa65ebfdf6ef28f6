// Receipts from the fixture service's pages, through the browser, the page
// bridge and the real scheduler, read back from the documents the capture
// queue keeps.
#include <gmock/gmock.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "base/text.h"
#include "tests/road/road_fixture.h"
#include "tests/support/client_fixture.h"
#include "tests/support/escpos_text.h"
#include "tests/support/fixture_service.h"
#include "tests/support/loopback_port.h"
#include "tests/support/pdf_words.h"
#include "tests/support/scoped_env.h"
#include "tests/support/service_pages.h"

namespace pellomar::testing {
namespace {

using ::testing::HasSubstr;

constexpr char kOrderPath[] = "/member/order.asp";
constexpr char kPrintPath[] = "/member/main/print.asp";

// The shop name is not the first pair, so it follows an "&" that the body's
// markup carries as "&amp;".
constexpr char kProfile[] = "Com_UserName=u1&Com_nName=蓝天酒家&Com_Tel=010-1234";

// The order number of this process's receipts, so that receipts of other
// programs on the same queue are told apart.
const std::string kOrderNumber = "R" + std::to_string(getpid());
const std::string kJobTitle = "消费小票 " + kOrderNumber;

// The fixture's order page under kOrderNumber.
std::string Order(const std::string& extra_inputs) {
  std::string page = OrderPage(extra_inputs);
  for (std::size_t at; (at = page.find("A1024")) != std::string::npos;) {
    page.replace(at, 5, kOrderNumber);
  }
  return page;
}

// 红烧肉 and Tea checked, 米饭 not, a checked radio button, and one more
// checked dish of a grouped amount.
std::string OrderWithThreeDishes() {
  return Order(
      "<label><input type=\"checkbox\" checked Tag=\"宫保鸡丁,份,x,1,1234.5\">"
      "宫保鸡丁</label>");
}

// The dish the page adds to the standard order's two.
constexpr char kThirdDish[] = "宫保鸡丁      1份  1,234.50";

// The standard order's receipt under this process's order number and the
// signed-in shop, with these item lines after the standard two.
std::vector<std::string> Receipt(const std::vector<std::string>& extra_items) {
  ReceiptChanges changes{
      .shop = u"蓝天酒家", .order_number = Utf8ToUtf16(kOrderNumber), .extra_item_lines = {}};
  for (const std::string& item : extra_items) changes.extra_item_lines.push_back(Utf8ToUtf16(item));
  std::vector<std::string> lines;
  for (const std::u16string& line : StandardReceipt(changes)) lines.push_back(Utf16ToUtf8(line));
  return lines;
}

// The printed lines against the receipt, line for line; the settlement time
// closes the receipt and is matched by pattern.
void ExpectPrintedReceipt(const std::string& pdf, const std::vector<std::string>& receipt) {
  std::vector<std::string> printed = PrintedLines(pdf);
  ASSERT_FALSE(printed.empty()) << pdf;
  const std::string settled_at = printed.back();
  printed.pop_back();
  EXPECT_EQ(printed, VisibleLines(receipt));
  EXPECT_TRUE(std::regex_match(settled_at, std::regex(kSettledAtPattern))) << settled_at;
}

class FixtureRoadTest : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(service_.listening());
    AddServicePages(service_);
    service_.SetPage("/member/main/order.asp", OrderWithThreeDishes());
    StartClient(service_.host());
    ASSERT_TRUE(WaitForCompletion("/member/index.asp", 0));
  }

  std::string Url(const std::string& path) const { return service_.origin() + path; }

  // Shows the frameset at path, whose order page then raises the print page,
  // and waits until the print page has been handled.
  void ShowOrder(const std::string& path = kOrderPath) {
    const std::size_t mark = Mark();
    client_->pane().Navigate(Utf8ToUtf16(Url(path)));
    ASSERT_TRUE(WaitForCompletion(kPrintPath, mark)) << "no print page after " << path;
  }

  // The service signs in with command "2", then turns its print page to
  // command "1".
  void SignIn() {
    service_.SetPage(kPrintPath, BodyPage(std::string("2,") + kProfile));
    ShowOrder();
    ASSERT_EQ(client_->profile().Com_nName, u"蓝天酒家");
    service_.SetPage(kPrintPath, BodyPage("1,"));
  }

  FixtureService service_;
};

// A receipt printer on a queue without a driver gets the receipt as its own
// text: every line exactly as composed, blank lines and padding included,
// each character as wide on paper as the layout counted it.
TEST_F(FixtureRoadTest, SettledOrderOnAReceiptPrinterIsItsTextLineForLine) {
  queue_ = Env("PELLOMAR_TEST_RAW_PRINTER");
  if (queue_.empty()) GTEST_SKIP() << "no raw test queue";
  env_.Set("PRINTER", queue_);
  SignIn();
  ShowOrder();

  const std::vector<int> jobs = WaitForJobs(1, kJobTitle);
  ASSERT_EQ(jobs.size(), 1u);
  KeepPdf(jobs[0], "receipt-e2e-raw.bin");
  const auto printed = EscPosLines(ReadFile(JobPdf(jobs[0])));
  ASSERT_TRUE(printed) << "not framed by initialise and feed-and-cut";
  const std::vector<std::string> receipt = Receipt({kThirdDish});
  ASSERT_EQ(printed->size(), receipt.size() + 1);
  for (std::size_t i = 0; i < printed->size(); ++i) {
    const std::string line = Gb18030ToUtf8((*printed)[i]);
    if (i < receipt.size()) {
      EXPECT_EQ(line, receipt[i]);
    } else {
      EXPECT_TRUE(std::regex_match(line, std::regex(kSettledAtPattern))) << line;
    }
    EXPECT_EQ(static_cast<int>((*printed)[i].size()), ColumnsOf(line)) << line;
  }
  EXPECT_EQ(NoticeText(), "");
}

TEST_F(FixtureRoadTest, SettledOrderIsOneJobShowingTheReceiptLineForLine) {
  SignIn();
  ShowOrder();

  const std::vector<int> jobs = WaitForJobs(1, kJobTitle);
  ASSERT_EQ(jobs.size(), 1u);
  KeepPdf(jobs[0], "receipt-e2e.pdf");
  ExpectPrintedReceipt(JobPdf(jobs[0]), Receipt({kThirdDish}));
  EXPECT_EQ(NoticeText(), "");
}

TEST_F(FixtureRoadTest, PageWithoutTotalPrintsNothingAndTheNextPagePrints) {
  std::string without_total = OrderWithThreeDishes();
  const std::string total = "<input type=\"hidden\" id=\"zje\" value=\"46\">";
  ASSERT_NE(without_total.find(total), std::string::npos);
  without_total.erase(without_total.find(total), total.size());
  service_.SetPage("/member/broken.asp",
                   Frameset("/member/main/blank.asp", "/member/main/broken.asp"));
  service_.SetPage("/member/main/broken.asp", without_total);

  SignIn();
  ShowOrder("/member/broken.asp");
  EXPECT_THAT(NoticeText(), HasSubstr("小票未打印"));
  EXPECT_THAT(NoticeText(), HasSubstr("zje"));

  ShowOrder();
  // Only the good page's receipt arrived, and it is whole.
  const std::vector<int> jobs = WaitForJobs(1, kJobTitle);
  ASSERT_EQ(jobs.size(), 1u);
  ExpectPrintedReceipt(JobPdf(jobs[0]), Receipt({kThirdDish}));
}

TEST_F(FixtureRoadTest, LongReceiptSpansPagesAndKeepsEveryLine) {
  // The page's own two checked dishes and 198 more.
  std::vector<std::string> items;
  std::string dishes;
  for (int i = 0; i < 198; ++i) {
    char number[4];
    std::snprintf(number, sizeof number, "%03d", i);
    const std::string name = std::string("菜品") + number;  // 10 columns
    const std::string amount = std::to_string(100 + i);
    dishes += "<input type=\"checkbox\" checked Tag=\"" + name + ",份,x,1," + amount + "\">";
    items.push_back(name + "    1份    " + amount + ".00");
  }
  service_.SetPage("/member/main/order.asp", Order(dishes));
  SignIn();
  ShowOrder();

  const std::vector<int> jobs = WaitForJobs(1, kJobTitle);
  ASSERT_EQ(jobs.size(), 1u);
  KeepPdf(jobs[0], "receipt-e2e-long.pdf");
  EXPECT_GT(PageCount(JobPdf(jobs[0])), 1);
  ExpectPrintedReceipt(JobPdf(jobs[0]), Receipt(items));
}

struct NoPrinterCase {
  const char* name;
  const char* variable;
  std::string (*value)();
  const char* notice;
};

void PrintTo(const NoPrinterCase& c, std::ostream* out) { *out << c.name; }

class NoPrinterRoadTest : public FixtureRoadTest,
                          public ::testing::WithParamInterface<NoPrinterCase> {};

TEST_P(NoPrinterRoadTest, GivesANoticeAndNoJobAndTheProgramPrintsOnceThePrinterIsBack) {
  SignIn();
  {
    ScopedEnv broken;
    broken.Set(GetParam().variable, GetParam().value());
    ShowOrder();
    EXPECT_THAT(NoticeText(), HasSubstr(std::string("小票未打印：") + GetParam().notice));
  }
  ASSERT_NE(client_->window(), nullptr);

  ShowOrder();
  const std::vector<int> jobs = WaitForJobs(1, kJobTitle);
  ASSERT_EQ(jobs.size(), 1u) << "the refused receipt reached the spooler too";
  ExpectPrintedReceipt(JobPdf(jobs[0]), Receipt({kThirdDish}));
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, NoPrinterRoadTest,
    ::testing::Values(
        NoPrinterCase{"PrinterNamesMissingQueue", "PRINTER",
                      [] { return std::string("pellomar-test-missing"); }, "没有默认打印机"},
        NoPrinterCase{"SchedulerNotListening", "CUPS_SERVER",
                      [] { return "127.0.0.1:" + std::to_string(FreeLoopbackPort()); },
                      "无法连接打印服务"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pellomar::testing
