// The demo service's own pages drive the client as a member of staff would:
// sign in, open a table, tick dishes, settle. One receipt comes out.
#include <gio/gio.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "platform/gtk/glib_handles.h"
#include "tests/road/road_fixture.h"
#include "tests/support/client_fixture.h"

namespace pellomar::testing {
namespace {

constexpr char kHomeSuffix[] = "/member/index.asp";

class DemoRoadTest : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    if (IsSkipped()) return;
    GError* raw_error = nullptr;
    service_.reset(g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, &raw_error,
                                    PELLOMAR_DEMO_SERVICE, "--port", "0", nullptr));
    GErrorPtr error(raw_error);
    ASSERT_TRUE(service_) << error->message;
    GObjectPtr<GDataInputStream> out(
        g_data_input_stream_new(g_subprocess_get_stdout_pipe(service_.get())));
    GCharPtr line(g_data_input_stream_read_line_utf8(out.get(), nullptr, nullptr, nullptr));
    ASSERT_TRUE(line) << "the demo service did not announce its address";
    const std::string home = line.get();
    ASSERT_TRUE(home.starts_with("http://") && home.ends_with(kHomeSuffix)) << home;
    host_ = home.substr(7, home.size() - 7 - std::string(kHomeSuffix).size());
  }

  void TearDown() override {
    RoadTest::TearDown();
    if (!service_) return;
    g_subprocess_send_signal(service_.get(), SIGTERM);
    g_subprocess_wait(service_.get(), nullptr, nullptr);
  }

  // Runs script in the top-level page, as staff's clicks would; the page's
  // frames are of its own origin, so it reaches into them. Each script is a
  // block of its own, so that its names do not outlive it. Returns the
  // value of the last statement as text.
  std::string Run(const std::string& statements) {
    const std::string script = "{" + statements + "}";
    struct Call {
      bool done = false;
      std::string value;
      std::string failure;
    } call;
    webkit_web_view_evaluate_javascript(
        client_->pane().view(), script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* view, GAsyncResult* result, gpointer data) {
          auto* call = static_cast<Call*>(data);
          GError* raw_error = nullptr;
          GObjectPtr<JSCValue> value(webkit_web_view_evaluate_javascript_finish(
              WEBKIT_WEB_VIEW(view), result, &raw_error));
          GErrorPtr error(raw_error);
          if (error) call->failure = error->message;
          if (value && jsc_value_is_string(value.get())) {
            call->value = GCharPtr(jsc_value_to_string(value.get())).get();
          }
          call->done = true;
        },
        &call);
    EXPECT_TRUE(SpinUntil([&] { return call.done; })) << "no answer to " << script;
    EXPECT_EQ(call.failure, "") << script;
    return call.value;
  }

  GObjectPtr<GSubprocess> service_;
  std::string host_;
};

TEST_F(DemoRoadTest, StaffSettleATableAndOneReceiptOfTheTickedDishesIsPrinted) {
  StartClient(host_);
  ASSERT_TRUE(WaitForCompletion("/member/login.asp", 0));

  std::size_t mark = Mark();
  Run("const page = frames['mainFrame'].document;"
      "page.getElementById('staffName').value = '赵敏';"
      "page.getElementById('signIn').click();");
  ASSERT_TRUE(WaitForCompletion("/member/main/tables.asp", mark));
  ASSERT_TRUE(SpinUntil([&] { return client_->profile().Com_nName == u"柳湾小馆"; }))
      << "no profile after the sign-in";

  mark = Mark();
  Run("frames['mainFrame'].document.getElementById('tableA02').click();");
  ASSERT_TRUE(WaitForCompletion("/member/main/order.asp?table=A02", mark));

  // 宫保鸡丁 once; 鱼香肉丝 (whose record the page's script keeps) twice;
  // 米饭 three bowls.
  Run("const page = frames['mainFrame'].document;"
      "const quantity = (n, count) => {"
      "  const field = page.getElementById('qty' + n);"
      "  field.value = String(count);"
      "  field.dispatchEvent(new Event('input'));"
      "  field.dispatchEvent(new Event('change'));"
      "};"
      "page.getElementById('dish1').click();"
      "page.getElementById('dish2').click();"
      "quantity(2, 2);"
      "page.getElementById('dish12').click();"
      "quantity(12, 3);");
  const std::string order_number = Run("frames['mainFrame'].document.getElementById('Ddh').value");
  ASSERT_NE(order_number, "");
  mark = Mark();
  Run("frames['mainFrame'].document.getElementById('settle').click();");
  ASSERT_TRUE(WaitForCompletion("/member/main/print.asp?cmd=1", mark));

  const std::vector<int> jobs = WaitForJobs(1, "消费小票 " + order_number);
  ASSERT_EQ(jobs.size(), 1u);
  KeepPdf(jobs[0], "receipt-demo.pdf");
  EXPECT_EQ(NoticeText(), "");

  const std::vector<std::string> printed = PrintedLines(JobPdf(jobs[0]));
  ASSERT_GT(printed.size(), 3u);
  EXPECT_EQ(printed[0], "    柳湾小馆消费小票");
  // Between the rule below the header and the next rule: the ticked dishes.
  const std::string rule(29, '-');
  const auto first_rule = std::find(printed.begin(), printed.end(), rule);
  ASSERT_NE(first_rule, printed.end());
  const auto second_rule = std::find(first_rule + 1, printed.end(), rule);
  ASSERT_NE(second_rule, printed.end());
  EXPECT_EQ(std::vector<std::string>(first_rule + 1, second_rule),
            (std::vector<std::string>{
                "宫保鸡丁      1份     38.00",
                "鱼香肉丝      2份     64.00",
                "米饭          3碗      9.00",
            }));
  EXPECT_EQ(std::vector<std::string>(second_rule + 1, second_rule + 4),
            (std::vector<std::string>{"小计:111.00元", "应收金额:111.00元", "实收金额:111.00元"}));
  EXPECT_NE(std::find(printed.begin(), printed.end(), "柳湾小馆期待您再次光临！"), printed.end());
}

}  // namespace
}  // namespace pellomar::testing
