// The sign-in profile text: GetKeyValue and ApplyProfileText on arbitrary
// text, and a generated text of ASCII pairs that must round-trip.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <memory>
#include <optional>

#include "base/locale_services.h"
#include "bridge/login_profile.h"
#include "fuzz/fuzz_support.h"
#include "platform/icu/icu_locale_services.h"

namespace pellomar::fuzz {
namespace {

// A tenth string member would be a field no key can set or clear.
static_assert(sizeof(LoginProfile) == 9 * sizeof(std::u16string));

const LocaleServices& Locale() {
  static const std::unique_ptr<LocaleServices> locale = MakeIcuLocaleServices("zh_CN");
  return *locale;
}

LoginProfile FilledProfile() {
  LoginProfile profile;
  for (const ProfileKey& key : kProfileKeys) profile.*key.field = u"\uFFFF left over";
  return profile;
}

// Every field is what GetKeyValue finds for its key, or empty: nothing is
// left from before and nothing comes from elsewhere.
void CheckArbitraryText(std::u16string_view text) {
  LoginProfile profile = FilledProfile();
  ApplyProfileText(text, profile, Locale());
  for (const ProfileKey& key : kProfileKeys) {
    const std::optional<std::u16string> value = GetKeyValue(text, key.key, Locale());
    FUZZ_REQUIRE(profile.*key.field == value.value_or(u""));
    if (!value) continue;
    FUZZ_REQUIRE(value->find(u'&') == std::u16string::npos);
    FUZZ_REQUIRE(value->find(u'=') == std::u16string::npos);
    FUZZ_REQUIRE(text.find(u"=" + *value) != std::u16string_view::npos);
  }
}

std::u16string AsciiWord(FuzzedDataProvider& input, std::string_view alphabet) {
  std::u16string word;
  const auto length = input.ConsumeIntegralInRange<std::size_t>(0, 12);
  for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
    word.push_back(alphabet[input.ConsumeIntegralInRange<std::size_t>(0, alphabet.size() - 1)]);
  }
  return word;
}

std::u16string InRandomCase(FuzzedDataProvider& input, std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out) {
    if (input.ConsumeBool()) {
      if (c >= u'a' && c <= u'z')
        c = c - u'a' + u'A';
      else if (c >= u'A' && c <= u'Z')
        c = c - u'A' + u'a';
    }
  }
  return out;
}

// Pairs of known keys (in any case), unknown names, empty pairs and names
// without "=", joined by "&": the last pair of a key sets its field, the
// others change nothing.
void CheckGeneratedPairs(FuzzedDataProvider& input) {
  constexpr std::string_view kValueChars =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 _.-:/";
  constexpr std::string_view kNameChars = "abcdefxyzABCXYZ_0123";
  std::array<std::u16string, kProfileKeys.size()> expected;
  std::u16string text;
  while (input.remaining_bytes() > 0) {
    if (!text.empty()) text += u'&';
    switch (input.ConsumeIntegralInRange(0, 3)) {
      case 0: {
        const auto k = input.ConsumeIntegralInRange<std::size_t>(0, kProfileKeys.size() - 1);
        const std::u16string value = AsciiWord(input, kValueChars);
        text += InRandomCase(input, kProfileKeys[k].key) + u"=" + value;
        expected[k] = value;
        break;
      }
      case 1: {
        const std::u16string name = AsciiWord(input, kNameChars);
        bool is_key = false;
        for (const ProfileKey& key : kProfileKeys)
          is_key |= Locale().LowerCase(name) == Locale().LowerCase(key.key);
        if (!is_key) text += name + u"=" + AsciiWord(input, kValueChars);
        break;
      }
      case 2:
        text +=
            InRandomCase(input, kProfileKeys[input.ConsumeIntegralInRange<std::size_t>(0, 8)].key);
        break;
      default:
        break;  // an empty pair
    }
  }
  LoginProfile profile = FilledProfile();
  ApplyProfileText(text, profile, Locale());
  for (std::size_t k = 0; k < kProfileKeys.size(); ++k) {
    FUZZ_REQUIRE(profile.*kProfileKeys[k].field == expected[k]);
  }
}

}  // namespace
}  // namespace pellomar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellomar::fuzz;
  CheckArbitraryText(FuzzText(AsBytes(data, size)));
  FuzzedDataProvider input(data, size);
  CheckGeneratedPairs(input);
  return 0;
}
