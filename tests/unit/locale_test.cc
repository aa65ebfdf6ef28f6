#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/text.h"
#include "platform/icu/icu_locale_services.h"
#include "receipt/receipt_layout.h"
#include "tests/fakes/fixed_clock.h"

namespace pellomar {
namespace {

struct AmountCase {
  const char* locale;
  std::u16string input;
  std::optional<std::u16string> formatted;
};

TEST(FormatAmount, FollowsTheLocale) {
  const AmountCase cases[] = {
      {"zh_CN", u"1234.5", u"1,234.50"},
      {"en_US", u"1234.5", u"1,234.50"},
      {"de_DE", u"1234,5", u"1.234,50"},
      {"zh_CN", u"-3", u"-3.00"},
      {"de_DE", u"-3", u"-3,00"},
      {"zh_CN", u"0.125", u"0.13"},  // halves away from zero
      {"zh_CN", u"-0.125", u"-0.13"},
      {"zh_CN", u"2.675", u"2.68"},  // the written decimal, not its binary neighbour
      {"zh_CN", u"1.005", u"1.01"},
      {"zh_CN", u"8", u"8.00"},
      {"zh_CN", u".5", u"0.50"},
      {"zh_CN", u"  12 ", u"12.00"},
      {"zh_CN", u"1,234", u"1,234.00"},
      {"zh_CN", u"1234567890", u"1,234,567,890.00"},
      {"zh_CN", u"abc", std::nullopt},
      {"zh_CN", u"", std::nullopt},
      {"zh_CN", u"   ", std::nullopt},
      {"zh_CN", u"12abc", std::nullopt},
      {"zh_CN", u"1 2", std::nullopt},
      {"zh_CN", u"1e309", std::nullopt},
      {"zh_CN", u"\u221E", std::nullopt},
      {"zh_CN", u"NaN", std::nullopt},
      {"zh_CN", u"\tl2", std::nullopt},
      {"zh_CN", std::u16string(1, char16_t{0xDC00}), std::nullopt},
  };
  for (const AmountCase& c : cases) {
    const auto locale = MakeIcuLocaleServices(c.locale);
    EXPECT_EQ(FormatAmount(c.input, *locale), c.formatted)
        << c.locale << " " << Utf16ToUtf8(c.input);
  }
}

TEST(LocaleServices, LowerCasesWholeText) {
  const auto locale = MakeIcuLocaleServices("zh_CN");
  EXPECT_EQ(locale->LowerCase(u"HTTP://X/MEMBER/Main/Print.ASP"),
            u"http://x/member/main/print.asp");
  EXPECT_EQ(locale->LowerCase(u"Com_nName 菜"), u"com_nname 菜");
  const std::u16string lone(1, char16_t{0xD800});
  EXPECT_EQ(locale->LowerCase(lone), lone);
}

TEST(LocaleServices, SettlementTimeIsShortDateAndMediumTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  const auto when = testing::SampleSettlementTime();
  EXPECT_EQ(Utf16ToUtf8(MakeIcuLocaleServices("zh_CN")->FormatDateTime(when)),
            "2026/12/11 14:03:05");
  // en_US writes a narrow no-break space before the day period.
  EXPECT_EQ(Utf16ToUtf8(MakeIcuLocaleServices("en_US")->FormatDateTime(when)),
            "12/11/26, 2:03:05\u202FPM");
}

class UserLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kVariables) unsetenv(name);
  }
  void TearDown() override { SetUp(); }
  static constexpr const char* kVariables[] = {"LC_ALL", "LC_CTYPE", "LC_NUMERIC", "LC_TIME",
                                               "LANG"};
};

TEST_F(UserLocaleTest, PosixPrecedence) {
  EXPECT_EQ(UserLocaleId(LocaleCategory::kNumeric), "en_US_POSIX");
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(UserLocaleId(LocaleCategory::kNumeric), "de_DE");
  setenv("LC_NUMERIC", "zh_CN.UTF-8", 1);
  EXPECT_EQ(UserLocaleId(LocaleCategory::kNumeric), "zh_CN");
  EXPECT_EQ(UserLocaleId(LocaleCategory::kTime), "de_DE");
  setenv("LC_ALL", "en_US.utf8@euro", 1);
  EXPECT_EQ(UserLocaleId(LocaleCategory::kNumeric), "en_US");
  setenv("LC_ALL", "", 1);  // empty counts as unset
  EXPECT_EQ(UserLocaleId(LocaleCategory::kNumeric), "zh_CN");
  setenv("LC_NUMERIC", "C", 1);
  EXPECT_EQ(UserLocaleId(LocaleCategory::kNumeric), "en_US_POSIX");
}

TEST_F(UserLocaleTest, WorksWithoutTheLocaleGeneratedInTheCLibrary) {
  // The C library here may not have the locale; ICU's data is used instead.
  setenv("LANG", "zh_CN.GB18030", 1);
  setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
  const auto locale = MakeUserLocaleServices();
  EXPECT_EQ(FormatAmount(u"1234,5", *locale), u"1.234,50");
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(Utf16ToUtf8(locale->FormatDateTime(testing::SampleSettlementTime())),
            "2026/12/11 14:03:05");
}

}  // namespace
}  // namespace pellomar
