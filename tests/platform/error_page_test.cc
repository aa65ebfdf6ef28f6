#include "platform/gtk/error_page.h"

#include <glib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace pellomar {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(ErrorPage, LinksOnlyHttpAddressesAndEscapesThem) {
  const std::string page = ErrorPageMarkup("http://shop.test/a?x=\"><script>&y'", 6);
  EXPECT_THAT(page, HasSubstr("<h1>无法打开收银服务页面</h1>"));
  EXPECT_THAT(page, HasSubstr("6 秒后自动重试"));
  EXPECT_THAT(page,
              HasSubstr("href=\"http://shop.test/a?x=&quot;&gt;&lt;script&gt;&amp;y&apos;\""));
  EXPECT_THAT(page, Not(HasSubstr("<script>")));
  for (const char* other : {"javascript:alert(1)", "file:///etc/passwd", "data:text/html,x", ""}) {
    EXPECT_THAT(ErrorPageMarkup(other, 3), HasSubstr("href=\"#\"")) << other;
  }
}

TEST(ErrorPage, SaysWhetherItRetries) {
  EXPECT_THAT(ErrorPageMarkup("http://shop.test/", 6, PageTrouble::kPageStopped),
              HasSubstr("6 秒后自动重新加载"));
  const std::string stopped =
      ErrorPageMarkup("http://shop.test/a", 0, PageTrouble::kPageKeepsStopping);
  EXPECT_THAT(stopped, HasSubstr("已停止自动重新加载"));
  EXPECT_THAT(stopped, Not(HasSubstr("秒后")));
  EXPECT_THAT(stopped, HasSubstr("href=\"http://shop.test/a\""));
}

TEST(ErrorPage, IsTheWholeTemplateFilledAsValidUtf8) {
  // A failing address that is not UTF-8 must not break the markup escaper.
  const std::string page = ErrorPageMarkup("http://shop.test/\xff\xfe", 3);
  EXPECT_TRUE(g_utf8_validate(page.data(), static_cast<gssize>(page.size()), nullptr));
  EXPECT_THAT(page, HasSubstr("<!DOCTYPE html>"));
  EXPECT_THAT(page, HasSubstr("<title>无法打开页面</title>"));
  EXPECT_THAT(page, HasSubstr("id=\"retry\" href=\"http://shop.test/\xef\xbf\xbd\xef\xbf\xbd\""));
  EXPECT_THAT(page, Not(HasSubstr("%s")));
}

}  // namespace
}  // namespace pellomar
