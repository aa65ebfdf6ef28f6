#include "bridge/page_dispatch.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "tests/unit/core_fixture.h"

namespace pellomar::testing {
namespace {

using PageDispatch = CoreFixture;

TEST_F(PageDispatch, MarkerIsFoundInTheLowerCasedAddressOfAnyDocument) {
  const struct {
    std::u16string url;
    bool prints;
  } cases[] = {
      {u"http://shop.test/member/main/print.asp", true},
      {u"http://shop.test/MEMBER/Main/Print.asp?id=7", true},
      {u"http://shop.test/member/main/print.aspx", true},
      {u"http://other.test/x?next=member/main/print.asp", true},  // any document's address
      {u"http://shop.test/member/index.asp", false},
      {u"http://shop.test/member/main/prints.asp", false},
      {u"http://shop.test/member/main/", false},
      {u"", false},
  };
  for (const auto& c : cases) {
    printer.jobs.clear();
    ShowPage(u"1");
    EXPECT_FALSE(Complete(c.url)) << Utf16ToUtf8(c.url);
    EXPECT_EQ(printer.jobs.size(), c.prints ? 1u : 0u) << Utf16ToUtf8(c.url);
  }
}

TEST_F(PageDispatch, CommandTextRules) {
  const struct {
    std::u16string body;
    bool prints;
  } cases[] = {
      {u"1", true},           {u"1,", true},   {u"1,anything,else", true},
      {u" 1", false},         {u"1 ", false},  {u"<b>1</b>", false},
      {u"&lt;b&gt;1", false}, {u"\n1", false}, {u"3", false},
      {u"x,y", false},        {u"11", false},
  };
  for (const auto& c : cases) {
    printer.jobs.clear();
    ShowPage(c.body);
    EXPECT_FALSE(Complete()) << Utf16ToUtf8(c.body);
    EXPECT_EQ(printer.jobs.size(), c.prints ? 1u : 0u) << Utf16ToUtf8(c.body);
  }
}

TEST_F(PageDispatch, ProfileTextEndsAtTheFirstCommaAndEscapesAreUndone) {
  const struct {
    std::u16string body;
    std::u16string name;
    std::u16string shop;
    std::u16string tel;
  } cases[] = {
      {u"2,Com_Tel=123&amp;Com_nName=Shop", u"", u"Shop", u"123"},  // as the serializer writes it
      {u"2,Com_Tel=123&Com_nName=Shop", u"", u"Shop", u"123"},
      // Only the second field is the profile: not "A,Com_nName=B".
      {u"2,Com_Name=A,Com_nName=B", u"A", u"", u""},
      {u"2,Com_nName=A&lt;B&gt;", u"", u"A<B>", u""},
      {u"2,", u"", u"", u""},
  };
  for (const auto& c : cases) {
    profile = LoginProfile{u"x", u"x", u"x", u"x", u"x", u"x", u"x", u"x", u"x"};
    ShowPage(c.body);
    EXPECT_FALSE(Complete()) << Utf16ToUtf8(c.body);
    EXPECT_EQ(profile.Com_Name, c.name) << Utf16ToUtf8(c.body);
    EXPECT_EQ(profile.Com_nName, c.shop) << Utf16ToUtf8(c.body);
    EXPECT_EQ(profile.Com_Tel, c.tel) << Utf16ToUtf8(c.body);
    EXPECT_EQ(profile.Com_Mob, u"");
  }
  EXPECT_TRUE(printer.jobs.empty());
}

TEST_F(PageDispatch, PrintPageTwiceGivesTwoReceipts) {
  ShowPage(u"1");
  EXPECT_FALSE(Complete());
  EXPECT_FALSE(Complete());
  ASSERT_EQ(printer.jobs.size(), 2u);
  EXPECT_EQ(printer.jobs[0], printer.jobs[1]);
}

TEST_F(PageDispatch, OtherCompletionsDoNothingEvenWithCommandWaiting) {
  ShowPage(u"2,Com_nName=Shop");
  EXPECT_FALSE(Complete(u"http://shop.test/member/main/order.asp"));
  EXPECT_EQ(profile, LoginProfile{});
}

TEST_F(PageDispatch, FailuresAreReportedNotSilent) {
  const struct {
    const char* name;
    void (*spoil)(DocumentSnapshot& top, bool& has_document);
    std::u16string notice;
  } cases[] = {
      {"no document", [](DocumentSnapshot&, bool& has) { has = false; },
       u"页面指令未执行：页面不可读"},
      {"no middle frame", [](DocumentSnapshot& top, bool&) { top.frames.erase(u"middleFrame"); },
       u"页面指令未执行：页面缺少 middleFrame"},
      {"no frames", [](DocumentSnapshot& top, bool&) { top.frames.clear(); },
       u"页面指令未执行：页面缺少 middleFrame"},
      {"no body",
       [](DocumentSnapshot& top, bool&) { top.frames[u"middleFrame"].body_html.reset(); },
       u"页面指令未执行：middleFrame 没有正文"},
      {"empty body",
       [](DocumentSnapshot& top, bool&) { top.frames[u"middleFrame"].body_html = u""; },
       u"页面指令未执行：指令为空"},
      {"command 2 alone",
       [](DocumentSnapshot& top, bool&) { top.frames[u"middleFrame"].body_html = u"2"; },
       u"页面指令未执行：缺少登录资料"},
  };
  for (const auto& c : cases) {
    ShowPage(u"1");
    pane.has_document = true;
    c.spoil(pane.top, pane.has_document);
    const Failure failure = Complete();
    ASSERT_TRUE(failure) << c.name;
    EXPECT_EQ(failure->notice, c.notice) << c.name;
    EXPECT_FALSE(failure->diagnostic.empty()) << c.name;
    EXPECT_EQ(failure->diagnostic.find('\n'), std::string::npos) << c.name;
  }
  EXPECT_TRUE(printer.jobs.empty());
  EXPECT_EQ(profile, LoginProfile{});
}

// Only a document of the service's origin, in the top-level page or one of
// its direct frames, under the service's top-level page, commands anything.
TEST_F(PageDispatch, OnlyTheServicesOwnDocumentsCommand) {
  const std::u16string service = kServiceOrigin;
  const std::optional<std::u16string> unreadable;
  const struct {
    const char* name;
    OriginLineage lineage;
    std::u16string service_origin;
    const char* diagnostic;  // part of it; nullptr when the completion acts
  } cases[] = {
      {"top-level print page", {service}, service, nullptr},
      {"print page in a frame of the top", {service, service}, service, nullptr},
      {"frame of a frame", {service, service, service}, service, "depth 2"},
      {"service page in a foreign frame", {service, unreadable, service}, service, "unreadable"},
      {"foreign top framing the print page", {service, unreadable}, service, "unreadable"},
      {"foreign top readable by name", {service, u"http://evil.test"}, service, "http://evil.test"},
      {"foreign document", {u"http://evil.test", service}, service, "http://evil.test"},
      {"opaque document", {u"null", service}, service, "null is outside"},
      {"other scheme", {u"https://shop.test", u"https://shop.test"}, service, "https://shop.test"},
      {"other port", {u"http://shop.test:8080"}, service, "http://shop.test:8080"},
      {"no lineage", {}, service, "did not give"},
      {"service not known yet", {service, service}, u"", "not known"},
  };
  for (const auto& c : cases) {
    for (const std::u16string body : {u"1", u"2,Com_nName=Shop"}) {
      printer.jobs.clear();
      profile = LoginProfile{};
      ShowPage(body);
      pane.lineage = c.lineage;
      const Failure failure = OnDocumentComplete(
          u"http://shop.test/member/main/print.asp",
          DispatchContext{pane, profile, *locale, clock, printer, c.service_origin});
      const bool acted = !printer.jobs.empty() || profile.Com_nName == u"Shop";
      EXPECT_EQ(acted, c.diagnostic == nullptr) << c.name << " " << Utf16ToUtf8(body);
      if (c.diagnostic == nullptr) {
        EXPECT_FALSE(failure) << c.name;
        continue;
      }
      ASSERT_TRUE(failure) << c.name;
      EXPECT_TRUE(failure->notice.empty()) << c.name;  // stderr only
      EXPECT_NE(failure->diagnostic.find(c.diagnostic), std::string::npos)
          << c.name << ": " << failure->diagnostic;
      EXPECT_EQ(failure->diagnostic.find('\n'), std::string::npos) << c.name;
    }
  }
}

TEST_F(PageDispatch, RefusalNamesBothOrigins) {
  ShowPage(u"1");
  pane.lineage = {u"http://127.0.0.1:8077", u"http://127.0.0.1:8077"};
  const Failure failure = OnDocumentComplete(
      u"http://127.0.0.1:8077/member/main/print.asp",
      DispatchContext{pane, profile, *locale, clock, printer, u"https://www.shop.test"});
  ASSERT_TRUE(failure);
  EXPECT_NE(failure->diagnostic.find("http://127.0.0.1:8077"), std::string::npos);
  EXPECT_NE(failure->diagnostic.find("https://www.shop.test"), std::string::npos);
  EXPECT_TRUE(printer.jobs.empty());
}

TEST_F(PageDispatch, HugeCommandTextIsHandledInOnePass) {
  std::u16string body = u"2,Com_nName=Big&";
  body.reserve(10'000'000);
  while (body.size() < 10'000'000) body += u"k=v&amp;";
  ShowPage(body);
  EXPECT_FALSE(Complete());
  EXPECT_EQ(profile.Com_nName, u"Big");
}

}  // namespace
}  // namespace pellomar::testing
