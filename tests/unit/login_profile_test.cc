#include "bridge/login_profile.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "platform/icu/icu_locale_services.h"

namespace pellomar {
namespace {

class LoginProfileTest : public ::testing::Test {
 protected:
  LoginProfile Apply(std::u16string_view text, LoginProfile profile = {}) {
    ApplyProfileText(text, profile, *locale_);
    return profile;
  }
  std::unique_ptr<LocaleServices> locale_ = MakeIcuLocaleServices("zh_CN");
};

LoginProfile Full() { return LoginProfile{u"u", u"s", u"l", u"n", u"nn", u"t", u"m", u"r", u"q"}; }

TEST_F(LoginProfileTest, KeyRules) {
  const struct {
    std::u16string text;
    std::u16string shop;  // Com_nName
    std::u16string tel;   // Com_Tel
  } cases[] = {
      {u"Com_nName=Blue Sky&Com_Tel=12-34-56", u"Blue Sky", u"12-34-56"},
      {u"com_nname=A", u"A", u""},
      {u"COM_NNAME=A", u"A", u""},
      {u"Com_nName=A&Com_nName=B", u"B", u""},  // last wins
      {u"Com_nName=a=b", u"a", u""},            // from the second "=" on is dropped
      {u"Com_nName=", u"", u""},
      {u"Com_nName=%41+x&amp;", u"%41+x", u""},  // values are never decoded
      {u" Com_nName=A", u"", u""},               // names are matched exactly
      {u"Com_nName =A", u"", u""},
      {u"note&Com_Tel=1", u"", u"1"},                   // a pair without "=" is passed over
      {u"&&Com_Tel=1&", u"", u"1"},                     // so are empty pairs
      {u"Com_nName&Com_nName=X&Com_nName", u"X", u""},  // matching name, no value: no effect
      {u"Com_nName=蓝天酒家&Com_Tel=０１０", u"蓝天酒家", u"０１０"},
  };
  for (const auto& c : cases) {
    const LoginProfile profile = Apply(c.text, Full());
    EXPECT_EQ(profile.Com_nName, c.shop) << Utf16ToUtf8(c.text);
    EXPECT_EQ(profile.Com_Tel, c.tel) << Utf16ToUtf8(c.text);
    // Every other field is cleared: each text replaces the profile whole.
    EXPECT_EQ(profile.Com_UserName, u"");
    EXPECT_EQ(profile.Sta_Qx, u"");
  }
}

TEST_F(LoginProfileTest, FillsAllNineFieldsFromTheirKeys) {
  const LoginProfile profile = Apply(
      u"Com_UserName=1&Sta_UserName=2&Com_Lx=3&Com_Name=4&Com_nName=5&Com_Tel=6&Com_Mob=7&"
      u"Sta_RealName=8&Sta_Qx=9");
  EXPECT_EQ(profile, (LoginProfile{u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"}));
}

TEST_F(LoginProfileTest, EmptyTextClearsEverything) {
  EXPECT_EQ(Apply(u"", Full()), LoginProfile{});
}

TEST_F(LoginProfileTest, GetKeyValueDistinguishesAbsentFromEmpty) {
  EXPECT_EQ(GetKeyValue(u"a=1&b=", u"B", *locale_), u"");
  EXPECT_EQ(GetKeyValue(u"a=1&b", u"b", *locale_), std::nullopt);
  EXPECT_EQ(GetKeyValue(u"", u"a", *locale_), std::nullopt);
  EXPECT_EQ(GetKeyValue(u"A=1&a=2", u"a", *locale_), u"2");
}

TEST_F(LoginProfileTest, BeyondSixteenBitPairCounts) {
  // Far more pairs than a 16-bit counter holds; the last one still counts.
  std::u16string text;
  for (int i = 0; i < 100000; ++i) text += u"x" + Utf8ToUtf16(std::to_string(i)) + u"=v&";
  text += u"Com_nName=End";
  EXPECT_EQ(Apply(text).Com_nName, u"End");
}

}  // namespace
}  // namespace pellomar
