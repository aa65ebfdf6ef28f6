// Runs the demo service as a process on a free port and checks the pages'
// shape through HTTP, as the client will meet them.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include <cmath>
#include <csignal>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "base/text.h"
#include "bridge/login_profile.h"
#include "bridge/page_dispatch.h"
#include "platform/gtk/glib_handles.h"
#include "platform/icu/icu_locale_services.h"

namespace pellomar::demo {
namespace {

struct Reply {
  unsigned status = 0;
  std::string content_type;
  std::string location;
  std::string body;
};

// The markup between <body> and </body> (the body element's serialization
// for these pages, which carry no escapes the serializer would rewrite).
std::string BodyMarkup(const std::string& page) {
  size_t open = page.find("<body>");
  size_t close = page.rfind("</body>");
  if (open == std::string::npos || close == std::string::npos) return "<no body>";
  return page.substr(open + 6, close - open - 6);
}

std::string InputValue(const std::string& page, const std::string& id) {
  std::smatch match;
  std::regex input("<input id=\"" + id + "\" value=\"([^\"]*)\"");
  return std::regex_search(page, match, input) ? match[1].str() : "<no input " + id + ">";
}

std::vector<std::string> SplitAtComma(const std::string& text) {
  std::vector<std::string> fields;
  size_t at = 0;
  for (size_t comma; (comma = text.find(',', at)) != std::string::npos; at = comma + 1) {
    fields.push_back(text.substr(at, comma - at));
  }
  fields.push_back(text.substr(at));
  return fields;
}

class DemoServiceTest : public testing::Test {
 protected:
  void SetUp() override {
    GError* raw_error = nullptr;
    service_.reset(g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, &raw_error,
                                    PELLOMAR_DEMO_SERVICE, "--port", "0", nullptr));
    GErrorPtr error(raw_error);
    ASSERT_TRUE(service_) << error->message;
    GObjectPtr<GDataInputStream> out(
        g_data_input_stream_new(g_subprocess_get_stdout_pipe(service_.get())));
    GCharPtr line(g_data_input_stream_read_line_utf8(out.get(), nullptr, nullptr, nullptr));
    ASSERT_TRUE(line) << "the service did not announce its address";
    home_ = line.get();
    ASSERT_TRUE(g_str_has_suffix(line.get(), "/member/index.asp")) << home_;
    base_ = home_.substr(0, home_.size() - std::string("/member/index.asp").size());
    session_.reset(soup_session_new());
  }

  void TearDown() override {
    if (!service_) return;
    g_subprocess_send_signal(service_.get(), SIGTERM);
    g_subprocess_wait(service_.get(), nullptr, nullptr);
    EXPECT_TRUE(g_subprocess_get_if_exited(service_.get()));
    EXPECT_EQ(g_subprocess_get_exit_status(service_.get()), 0);
  }

  Reply Send(SoupMessage* raw_message) {
    GObjectPtr<SoupMessage> message(raw_message);
    soup_message_add_flags(message.get(), SOUP_MESSAGE_NO_REDIRECT);
    GError* raw_error = nullptr;
    GBytesPtr body(soup_session_send_and_read(session_.get(), message.get(), nullptr, &raw_error));
    GErrorPtr error(raw_error);
    Reply reply;
    if (error) {
      ADD_FAILURE() << error->message;
      return reply;
    }
    SoupMessageHeaders* headers = soup_message_get_response_headers(message.get());
    auto header = [headers](const char* name) {
      const char* value = soup_message_headers_get_one(headers, name);
      return std::string(value ? value : "");
    };
    reply.status = soup_message_get_status(message.get());
    reply.content_type = header("Content-Type");
    reply.location = header("Location");
    reply.body.assign(static_cast<const char*>(g_bytes_get_data(body.get(), nullptr)),
                      g_bytes_get_size(body.get()));
    EXPECT_TRUE(g_utf8_validate(reply.body.data(), reply.body.size(), nullptr));
    EXPECT_EQ(reply.content_type, "text/html; charset=utf-8");
    return reply;
  }

  Reply Get(const std::string& path) {
    return Send(soup_message_new("GET", (base_ + path).c_str()));
  }

  Reply SignIn(const char* staff) {
    return Send(soup_message_new_from_encoded_form(
        "POST", (base_ + "/member/login.asp").c_str(),
        soup_form_encode("staff", staff, "password", "", nullptr)));
  }

  GObjectPtr<GSubprocess> service_;
  GObjectPtr<SoupSession> session_;
  std::string home_, base_;
};

TEST_F(DemoServiceTest, HomeIsAFramesetWithTheHiddenMiddleAndTheVisibleMainFrame) {
  EXPECT_EQ(home_.rfind("http://127.0.0.1:", 0), 0u) << home_;
  Reply home = Get("/member/index.asp");
  EXPECT_EQ(home.status, 200u);
  EXPECT_NE(home.body.find("<frameset rows=\"0,*\""), std::string::npos) << home.body;
  std::regex frames(
      "<frame name=\"middleFrame\" src=\"([^\"]+)\"[^>]*>\\s*"
      "<frame name=\"mainFrame\" src=\"([^\"]+)\"");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(home.body, match, frames)) << home.body;
  EXPECT_EQ(Get(match[1]).status, 200u);
  EXPECT_NE(Get(match[2]).body.find("id=\"staffName\""), std::string::npos);
}

TEST_F(DemoServiceTest, SignInSendsTheWholeProfileAsBareCommandTwo) {
  EXPECT_EQ(Get("/member/main/tables.asp").location, "/member/login.asp")
      << "staff pages need a sign-in";

  Reply signed_in = SignIn("  张三 ");
  EXPECT_EQ(signed_in.status, 303u);
  Reply tables = Get(signed_in.location);
  std::smatch match;
  std::regex to_middle(
      "frames\\['middleFrame'\\];\\s*if \\(middle && middle !== window\\) "
      "middle\\.location\\.href = '(/member/main/print\\.asp\\?cmd=2&seq=[0-9]+)'");
  ASSERT_TRUE(std::regex_search(tables.body, match, to_middle)) << tables.body;

  Reply print = Get(match[1]);
  EXPECT_TRUE(print.body.ends_with("</body></html>"))
      << "anything after the body lands in it and changes the command";
  // Read the body as the client does: its own splitting and profile rules.
  PageCommand command = PageCommand::FromBodyMarkup(Utf8ToUtf16(BodyMarkup(print.body)));
  ASSERT_GE(command.fields.size(), 2u) << print.body;
  EXPECT_EQ(command.fields[0], u"2");
  LoginProfile profile;
  ApplyProfileText(command.fields[1], profile, *MakeIcuLocaleServices("zh_CN"));
  EXPECT_EQ(profile.Sta_UserName, u"张三");
  EXPECT_EQ(profile.Sta_RealName, u"张三");
  EXPECT_EQ(profile.Com_nName, u"柳湾小馆");
  for (const std::u16string* field : {&profile.Com_UserName, &profile.Com_Lx, &profile.Com_Name,
                                      &profile.Com_Tel, &profile.Com_Mob, &profile.Sta_Qx}) {
    EXPECT_FALSE(field->empty()) << Utf16ToUtf8(command.fields[1]);
  }

  EXPECT_EQ(SignIn(" ,&= ").status, 200u) << "a name that is left empty is refused";
}

TEST_F(DemoServiceTest, OrderPageCarriesTheReceiptValuesAndItemRecords) {
  SignIn("李四");
  Reply order = Get("/member/main/order.asp?table=A01");
  ASSERT_EQ(order.status, 200u);
  for (const char* id : {"Ddh", "tingtaihao", "waiter", "syy", "zje", "sszje", "com_tel"}) {
    EXPECT_NE(order.body.find(std::string("id=\"") + id + "\""), std::string::npos) << id;
  }
  EXPECT_EQ(InputValue(order.body, "syy"), "李四");
  EXPECT_FALSE(InputValue(order.body, "Ddh").empty());

  // A dozen dishes; half carry their record in markup, half get it from the
  // page's script. Each markup record is name,unit,price,quantity,amount,
  // and the checked dishes add up to the total.
  std::regex dish(
      "<input type=\"checkbox\" class=\"dish\" id=\"dish([0-9]+)\"[^>]*"
      "data-price=\"([0-9]+)\" data-record=\"(attribute|property)\"( Tag=\"([^\"]*)\")?"
      "( checked)?>");
  int dishes = 0, in_markup = 0;
  long checked_cents = 0;
  for (std::sregex_iterator it(order.body.begin(), order.body.end(), dish), end; it != end; ++it) {
    const std::smatch& m = *it;
    ++dishes;
    long price = std::stol(m[2]);
    std::smatch quantity;
    std::string quantity_field =
        "id=\"qty" + m[1].str() + "\" min=\"1\" max=\"99\" value=\"([0-9]+)\"";
    ASSERT_TRUE(std::regex_search(order.body, quantity, std::regex(quantity_field))) << m[1];
    long amount_cents = price * std::stol(quantity[1]);
    if (m[6].matched) checked_cents += amount_cents;
    EXPECT_EQ(m[3] == "attribute", m[4].matched);
    if (!m[4].matched) continue;
    ++in_markup;
    std::vector<std::string> record = SplitAtComma(m[5]);
    ASSERT_EQ(record.size(), 5u) << m[5];
    EXPECT_FALSE(record[0].empty());
    EXPECT_EQ(record[3], quantity[1].str());
    EXPECT_EQ(std::lround(std::stod(record[4]) * 100), amount_cents) << m[5];
  }
  EXPECT_EQ(dishes, 12);
  EXPECT_EQ(in_markup, 6);
  EXPECT_GT(checked_cents, 0);
  EXPECT_EQ(std::lround(std::stod(InputValue(order.body, "zje")) * 100), checked_cents);
  EXPECT_NE(order.body.find("box.Tag = record"), std::string::npos);
  EXPECT_NE(order.body.find("<button id=\"settle\" type=\"button\">结账</button>"),
            std::string::npos);
  EXPECT_NE(order.body.find("'/member/main/print.asp?cmd=1&table='"), std::string::npos);
  EXPECT_NE(order.body.find("'&items='"), std::string::npos) << "settling sends the ticked dishes";
}

TEST_F(DemoServiceTest, SettlingPrintsBareCommandOneAndFreesTheTable) {
  SignIn("王五");
  std::string number = InputValue(Get("/member/main/order.asp?table=A01").body, "Ddh");
  EXPECT_NE(Get("/member/main/tables.asp").body.find("id=\"tableA01\""), std::string::npos);
  EXPECT_NE(Get("/member/main/tables.asp").body.find("class=\"table busy\" id=\"tableA01\""),
            std::string::npos);

  // Two 宫保鸡丁 and a 米饭 were ticked: the day's total is what was settled.
  std::string settle =
      "/member/main/print.asp?cmd=1&table=A01&ddh=" + number + "&items=1%3A2%2C12%3A1";
  for (int time = 0; time < 2; ++time) {
    Reply print = Get(settle);
    EXPECT_EQ(BodyMarkup(print.body), "1") << "settling again still prints";
    EXPECT_TRUE(print.body.ends_with("</body></html>"));
  }
  std::string tables = Get("/member/main/tables.asp").body;
  EXPECT_NE(tables.find("class=\"table\" id=\"tableA01\""), std::string::npos);
  EXPECT_NE(tables.find("今日已结账 1 单，合计 ¥ 79.00"), std::string::npos) << tables;
  EXPECT_NE(InputValue(Get("/member/main/order.asp?table=A01").body, "Ddh"), number);
}

TEST_F(DemoServiceTest, OtherAddressesAnswerWithoutACommand) {
  EXPECT_EQ(BodyMarkup(Get("/member/main/print.asp?cmd=2").body), "0")
      << "no profile before a sign-in";
  EXPECT_EQ(BodyMarkup(Get("/member/main/blank.asp").body), "0");
  EXPECT_EQ(Get("/MEMBER/Index.asp").status, 200u);
  EXPECT_EQ(Get("/").location, "/member/index.asp");
  EXPECT_EQ(Get("/member/nothing.asp").status, 404u);
  SignIn("赵六");
  EXPECT_EQ(Get("/member/main/order.asp?table=Z99").status, 404u);
}

}  // namespace
}  // namespace pellomar::demo
