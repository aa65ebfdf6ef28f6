// The signed-in account's profile, filled by command "2" and kept in memory
// for the run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pellomar {

struct LoginProfile {
  std::u16string Com_UserName;
  std::u16string Sta_UserName;
  std::u16string Com_Lx;
  std::u16string Com_Name;
  std::u16string Com_nName;
  std::u16string Com_Tel;
  std::u16string Com_Mob;
  std::u16string Sta_RealName;
  std::u16string Sta_Qx;
  bool operator==(const LoginProfile&) const = default;
};

class LocaleServices;

// The value of the last pair named `key` (names compared lower-cased), or
// nothing when no pair has that name and a value.
std::optional<std::u16string> GetKeyValue(std::u16string_view text, std::u16string_view key,
                                          const LocaleServices& locale);

// Rewrites all nine fields from the key/value text; a missing key clears its
// field.
void ApplyProfileText(std::u16string_view text, LoginProfile& profile,
                      const LocaleServices& locale);

}  // namespace pellomar
