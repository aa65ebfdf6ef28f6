// LocaleServices on ICU, for a named locale or for the user's locale as the
// environment names it.
#pragma once

#include <memory>
#include <string>

#include "base/locale_services.h"

namespace pellomar {

enum class LocaleCategory { kCtype, kNumeric, kTime };

// The ICU locale id ("zh_CN", "en_US_POSIX" for C/POSIX) named by the
// environment for a category: LC_ALL, then the category's own variable, then
// LANG. Works whether or not the C library has that locale generated.
std::string UserLocaleId(LocaleCategory category);

// Services for one locale id used for every category ("zh_CN", "de_DE").
std::unique_ptr<LocaleServices> MakeIcuLocaleServices(const std::string& locale_id);

// Services for the user's locale, each category resolved on its own.
std::unique_ptr<LocaleServices> MakeUserLocaleServices();

}  // namespace pellomar
