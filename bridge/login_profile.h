// The signed-in account's profile, filled by command "2" and kept in memory
// for the run.
#pragma once

#include <array>
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

// Each profile key and the field it fills, in the order they are applied.
struct ProfileKey {
  std::u16string_view key;
  std::u16string LoginProfile::*field;
};

inline constexpr std::array<ProfileKey, 9> kProfileKeys{{
    {u"Com_UserName", &LoginProfile::Com_UserName},
    {u"Sta_UserName", &LoginProfile::Sta_UserName},
    {u"Com_Lx", &LoginProfile::Com_Lx},
    {u"Com_Name", &LoginProfile::Com_Name},
    {u"Com_nName", &LoginProfile::Com_nName},
    {u"Com_Tel", &LoginProfile::Com_Tel},
    {u"Com_Mob", &LoginProfile::Com_Mob},
    {u"Sta_RealName", &LoginProfile::Sta_RealName},
    {u"Sta_Qx", &LoginProfile::Sta_Qx},
}};

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
