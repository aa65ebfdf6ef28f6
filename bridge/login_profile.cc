#include "bridge/login_profile.h"

#include <array>
#include <functional>

#include "base/locale_services.h"
#include "base/text.h"

namespace pellomar {

namespace {

// Calls visit(name, value) for every pair that has a name and a value, first
// to last. Empty pairs and pairs without "=" are passed over; anything after
// a second "=" is dropped.
void ForEachPair(std::u16string_view text,
                 const std::function<void(std::u16string_view, std::u16string_view)>& visit) {
  std::size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    std::size_t end = text.find(u'&', start);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view pair = text.substr(start, end - start);
    if (const std::size_t eq = pair.find(u'='); eq != std::u16string_view::npos) {
      const std::u16string_view rest = pair.substr(eq + 1);
      visit(pair.substr(0, eq), rest.substr(0, rest.find(u'=')));
    }
    start = end + 1;
  }
}

}  // namespace

std::optional<std::u16string> GetKeyValue(std::u16string_view text, std::u16string_view key,
                                          const LocaleServices& locale) {
  const std::u16string wanted = locale.LowerCase(key);
  std::optional<std::u16string> result;
  ForEachPair(text, [&](std::u16string_view name, std::u16string_view value) {
    if (locale.LowerCase(name) == wanted) result = std::u16string(value);
  });
  return result;
}

void ApplyProfileText(std::u16string_view text, LoginProfile& profile,
                      const LocaleServices& locale) {
  // One pass over the text for all nine keys; the last pair of a name wins.
  std::array<std::u16string, kProfileKeys.size()> lowered_keys;
  for (std::size_t k = 0; k < kProfileKeys.size(); ++k) {
    lowered_keys[k] = locale.LowerCase(kProfileKeys[k].key);
  }
  std::array<std::optional<std::u16string_view>, kProfileKeys.size()> found;
  ForEachPair(text, [&](std::u16string_view name, std::u16string_view value) {
    const std::u16string lowered = locale.LowerCase(name);
    for (std::size_t k = 0; k < kProfileKeys.size(); ++k) {
      if (lowered == lowered_keys[k]) found[k] = value;
    }
  });
  for (std::size_t k = 0; k < kProfileKeys.size(); ++k) {
    profile.*kProfileKeys[k].field = std::u16string(found[k].value_or(std::u16string_view{}));
  }
}

}  // namespace pellomar
