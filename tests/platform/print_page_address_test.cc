// The bridge's test of which completions carry the page model
// (print_page_address.js, as compiled into the program), run in the engine's
// script engine against the program's own test of a print-page address in
// the user's locale: the script must accept every address the program acts
// on, in every locale, and pass over the service's other pages.
#include <gtest/gtest.h>
#include <jsc/jsc.h>
#include <unicode/locid.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "bridge/page_dispatch.h"
#include "platform/gtk/glib_handles.h"
#include "platform/gtk/program_resources.h"
#include "platform/icu/icu_locale_services.h"

namespace pellomar {
namespace {

// The locales where lower-casing differs (Turkish, Azerbaijani, Lithuanian)
// and those of the program's users.
const char* const kLocales[] = {"tr_TR", "az_AZ", "de_DE", "zh_CN", "lt_LT", "en_US"};

std::string ScriptText() {
  return ProgramResourceText("/com/pellomar/Pellomar/print_page_address.js");
}

// The script run as the engine runs it in a frame's bridge world.
class BridgeScript {
 public:
  BridgeScript() : context_(jsc_context_new()) {
    Run(ScriptText());
    // The engine may run it again in the same window (after document.open).
    Run(ScriptText());
    test_ = GObjectPtr<JSCValue>(jsc_context_get_value(context_.get(), "__pellomarMayBePrintPage"));
  }

  bool loaded() const { return test_ && jsc_value_is_function(test_.get()); }

  bool MayBePrintPage(const std::u16string& url) {
    const auto known = answers_.find(url);
    if (known != answers_.end()) return known->second;
    GObjectPtr<JSCValue> answer(
        jsc_value_function_call(test_.get(), G_TYPE_STRING, Utf16ToUtf8(url).c_str(), G_TYPE_NONE));
    EXPECT_EQ(jsc_context_get_exception(context_.get()), nullptr);
    const bool accepted =
        answer && jsc_value_is_boolean(answer.get()) && jsc_value_to_boolean(answer.get());
    answers_.emplace(url, accepted);
    return accepted;
  }

 private:
  void Run(const std::string& source) {
    GObjectPtr<JSCValue> result(
        jsc_context_evaluate(context_.get(), source.c_str(), static_cast<gssize>(source.size())));
    JSCException* exception = jsc_context_get_exception(context_.get());
    ASSERT_EQ(exception, nullptr) << jsc_exception_get_message(exception);
  }

  GObjectPtr<JSCContext> context_;
  GObjectPtr<JSCValue> test_;
  std::map<std::u16string, bool> answers_;
};

class PrintPageAddressTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(script_.loaded()) << "the script defines no test"; }

  // Every address in urls that the program acts on in locale must pass the
  // script's test.
  void ExpectScriptAcceptsAllTheProgramActsOn(const std::vector<std::u16string>& urls,
                                              const std::string& locale_id) {
    const std::unique_ptr<LocaleServices> locale = MakeIcuLocaleServices(locale_id);
    for (const std::u16string& url : urls) {
      if (IsPrintPageAddress(url, *locale)) {
        EXPECT_TRUE(script_.MayBePrintPage(url)) << Utf16ToUtf8(url) << " in " << locale_id;
      }
    }
  }

  BridgeScript script_;
};

struct AddressCase {
  std::u16string url;
  bool script_accepts;
  std::set<std::string> program_acts_in;  // of kLocales
};

const std::set<std::string> kEveryLocale(std::begin(kLocales), std::end(kLocales));
const std::set<std::string> kTurkic = {"tr_TR", "az_AZ"};
const std::set<std::string> kNotTurkic = {"de_DE", "zh_CN", "lt_LT", "en_US"};

TEST_F(PrintPageAddressTest, AgreesWithTheProgramOnTheseAddresses) {
  const std::u16string service = u"http://shop.test/";
  const AddressCase cases[] = {
      {service + u"member/main/print.asp", true, kEveryLocale},
      {service + u"member/main/print.aspx?n=1", true, kEveryLocale},
      {service + u"x?member/main/print.asp", true, kEveryLocale},
      {service + u"MEMBER/Main/Print.asp", true, kEveryLocale},
      {service + u"MEMBER/MAIN/PRINT.ASP", true, kNotTurkic},  // Turkic: I is dotless ı
      // Capital I with dot above: i in Turkic, i and a combining dot elsewhere.
      {service + u"member/ma\u0130n/pr\u0130nt.asp", true, kTurkic},
      {service + u"MEMBER/MA\u0130N/PR\u0130NT.ASP", true, kTurkic},
      // Turkic lower-casing drops the dot above after a capital I.
      {service + u"MEMBER/MAI\u0307N/PRI\u0307NT.ASP", true, kTurkic},
      {service + u"member/mai\u0307n/print.asp", true, {}},
      // Lithuanian adds a dot above to an I that carries an accent.
      {service + u"member/maI\u0300n/print.asp", false, {}},
      {service + u"member/main/print.asp#MEMBER", true, kEveryLocale},
      {u"data:text/html,member/main/print.asp", true, kEveryLocale},
      // Neither full-width letters nor the long s lower-case to ASCII.
      {service + u"\uFF2D\uFF25\uFF2D\uFF22\uFF25\uFF32/main/print.asp", false, {}},
      {service + u"member/main/print.a\u017Fp", false, {}},
      {service + u"member/main/print%2Easp", false, {}},
      {service + u"member\\main\\print.asp", false, {}},
      {service + u"member/main/print.as", false, {}},
      {service + u"member/index.asp", false, {}},
      {service + u"member/main/order.asp", false, {}},
      {service + u"member/main/blank.asp", false, {}},
      {u"about:blank", false, {}},
      {u"", false, {}},
  };
  for (const AddressCase& c : cases) {
    EXPECT_EQ(script_.MayBePrintPage(c.url), c.script_accepts) << Utf16ToUtf8(c.url);
    for (const char* locale_id : kLocales) {
      EXPECT_EQ(IsPrintPageAddress(c.url, *MakeIcuLocaleServices(locale_id)),
                c.program_acts_in.contains(locale_id))
          << Utf16ToUtf8(c.url) << " in " << locale_id;
    }
  }
}

std::u16string Utf16Of(char32_t c) {
  if (c <= 0xFFFF) return std::u16string(1, static_cast<char16_t>(c));
  return {static_cast<char16_t>(0xD7C0 + (c >> 10)), static_cast<char16_t>(0xDC00 | (c & 0x3FF))};
}

// The code points that could take part in a print-page address: every one
// whose lower-casing in some locale yields a letter or sign of the marker,
// or nothing.
std::vector<char32_t> CodePointsThatLowerIntoTheMarker() {
  std::set<char32_t> found;
  for (const char* locale_id : kLocales) {
    const std::unique_ptr<LocaleServices> locale = MakeIcuLocaleServices(locale_id);
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;  // addresses hold no lone surrogates
      const std::u16string lowered = locale->LowerCase(Utf16Of(c));
      if (lowered.empty() || lowered.find_first_of(kPrintPageMarker) != std::u16string::npos) {
        found.insert(c);
      }
    }
  }
  return {found.begin(), found.end()};
}

// The marker with each of its characters replaced by, and with each gap
// given, each of those code points.
std::vector<std::u16string> MarkersWithOneCodePointChanged(const std::vector<char32_t>& points) {
  const std::u16string marker(kPrintPageMarker);
  std::vector<std::u16string> urls;
  for (char32_t c : points) {
    const std::u16string text = Utf16Of(c);
    for (std::size_t at = 0; at <= marker.size(); ++at) {
      std::u16string inserted = marker;
      inserted.insert(at, text);
      urls.push_back(u"http://shop.test/" + inserted);
      if (at == marker.size()) continue;
      std::u16string replaced = marker;
      replaced.replace(at, 1, text);
      urls.push_back(u"http://shop.test/" + replaced);
    }
  }
  return urls;
}

TEST_F(PrintPageAddressTest, AcceptsEveryAddressTheProgramActsOnWithAnyOneCodePointChanged) {
  const std::vector<char32_t> points = CodePointsThatLowerIntoTheMarker();
  // The marker's letters in capitals, and capital I with dot above.
  for (char32_t expected : {U'M', U'A', U'P', U'\u0130'}) {
    EXPECT_TRUE(std::find(points.begin(), points.end(), expected) != points.end())
        << "U+" << std::hex << static_cast<unsigned>(expected);
  }
  const std::vector<std::u16string> urls = MarkersWithOneCodePointChanged(points);
  for (const char* locale_id : kLocales) ExpectScriptAcceptsAllTheProgramActsOn(urls, locale_id);
}

// Lower-casing depends on the language alone: one locale of each language
// ICU knows, on the table's and the changed markers' addresses.
TEST_F(PrintPageAddressTest, AcceptsWhatTheProgramActsOnInEveryLanguage) {
  std::vector<std::u16string> urls = MarkersWithOneCodePointChanged(
      {U'I', U'\u0130', U'\u0131', U'\u0307', U'\u212A', U'\u017F', U'\u0300', U'\u03A3'});
  for (const char16_t* url :
       {u"MEMBER/MAI\u0307N/PRI\u0307NT.ASP", u"MEMBER/MA\u0130N/PR\u0130NT.ASP",
        u"MEMBER/MAI\u0300\u0307N/PRINT.ASP", u"member/main/print.asp"}) {
    urls.push_back(u"http://shop.test/" + std::u16string(url));
  }
  int32_t count = 0;
  const icu::Locale* available = icu::Locale::getAvailableLocales(count);
  std::set<std::string> languages;
  for (int32_t i = 0; i < count; ++i) languages.insert(available[i].getLanguage());
  ASSERT_TRUE(languages.contains("tr") && languages.contains("lt"));
  for (const std::string& language : languages)
    ExpectScriptAcceptsAllTheProgramActsOn(urls, language);
}

}  // namespace
}  // namespace pellomar
