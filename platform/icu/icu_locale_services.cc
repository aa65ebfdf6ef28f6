#include "platform/icu/icu_locale_services.h"

#include <unicode/datefmt.h>
#include <unicode/fmtable.h>
#include <unicode/locid.h>
#include <unicode/numberformatter.h>
#include <unicode/numfmt.h>
#include <unicode/parsepos.h>
#include <unicode/unistr.h>

#include <cmath>
#include <cstdlib>
#include <optional>

#include "base/text.h"

namespace pellomar {

namespace {

const char* CategoryVariable(LocaleCategory category) {
  switch (category) {
    case LocaleCategory::kCtype:
      return "LC_CTYPE";
    case LocaleCategory::kNumeric:
      return "LC_NUMERIC";
    case LocaleCategory::kTime:
      return "LC_TIME";
  }
  return "LC_CTYPE";
}

std::string NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// "zh_CN.UTF-8@modifier" -> "zh_CN"; "C" and "POSIX" -> "en_US_POSIX".
std::string IcuIdFromPosixName(std::string name) {
  name = name.substr(0, name.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") return "en_US_POSIX";
  return name;
}

icu::UnicodeString ToIcu(std::u16string_view text) {
  return icu::UnicodeString(text.data(), static_cast<int32_t>(text.size()));
}

std::u16string FromIcu(const icu::UnicodeString& text) {
  return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

class IcuLocaleServices final : public LocaleServices {
 public:
  IcuLocaleServices(const std::string& ctype_id, const std::string& numeric_id,
                    const std::string& time_id)
      : ctype_locale_(ctype_id.c_str()),
        numeric_locale_(numeric_id.c_str()),
        time_locale_(time_id.c_str()) {}

  std::u16string LowerCase(std::u16string_view text) const override {
    icu::UnicodeString lowered = ToIcu(text);
    lowered.toLower(ctype_locale_);
    return FromIcu(lowered);
  }

  std::optional<DecimalNumber> ParseNumber(std::u16string_view text) const override {
    const std::u16string_view trimmed = TrimSpaces(text);
    if (trimmed.empty()) return std::nullopt;
    const icu::NumberFormat* parser = NumberParser();
    if (parser == nullptr) return std::nullopt;
    const icu::UnicodeString input = ToIcu(trimmed);
    icu::Formattable result;
    icu::ParsePosition position(0);
    parser->parse(input, result, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length()) {
      return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    const double approximate = result.getDouble(status);
    if (U_FAILURE(status) || !std::isfinite(approximate)) return std::nullopt;
    status = U_ZERO_ERROR;
    const icu::StringPiece digits = result.getDecimalNumber(status);
    if (U_FAILURE(status) || digits.empty()) return std::nullopt;
    return DecimalNumber{std::string(digits.data(), static_cast<std::size_t>(digits.length()))};
  }

  std::u16string FormatTwoDecimals(const DecimalNumber& number) const override {
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text =
        AmountFormatter().formatDecimal(number.digits, status).toString(status);
    if (U_FAILURE(status)) return Utf8ToUtf16(number.digits);
    return FromIcu(text);
  }

  std::u16string FormatDateTime(std::chrono::system_clock::time_point when) const override {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    icu::UnicodeString text;
    if (const icu::DateFormat* formatter = DateFormatter()) {
      formatter->format(static_cast<UDate>(millis), text);
    }
    return FromIcu(text);
  }

 private:
  // The number and date data are loaded on first use, so that a run costs
  // their memory and loading time only once it prints. Used on one thread
  // only, so nothing is locked.
  const icu::NumberFormat* NumberParser() const {
    if (!number_parser_loaded_) {
      number_parser_loaded_ = true;
      UErrorCode status = U_ZERO_ERROR;
      number_parser_.reset(icu::NumberFormat::createInstance(numeric_locale_, status));
      if (U_FAILURE(status)) number_parser_.reset();
    }
    return number_parser_.get();
  }

  const icu::number::LocalizedNumberFormatter& AmountFormatter() const {
    if (!amount_formatter_) {
      amount_formatter_.emplace(icu::number::NumberFormatter::withLocale(numeric_locale_)
                                    .precision(icu::number::Precision::fixedFraction(2))
                                    .roundingMode(UNUM_ROUND_HALFUP));
    }
    return *amount_formatter_;
  }

  const icu::DateFormat* DateFormatter() const {
    if (!date_formatter_loaded_) {
      date_formatter_loaded_ = true;
      date_formatter_.reset(icu::DateFormat::createDateTimeInstance(
          icu::DateFormat::kShort, icu::DateFormat::kMedium, time_locale_));
    }
    return date_formatter_.get();
  }

  icu::Locale ctype_locale_;
  icu::Locale numeric_locale_;
  icu::Locale time_locale_;
  mutable std::optional<icu::number::LocalizedNumberFormatter> amount_formatter_;
  mutable bool number_parser_loaded_ = false;
  mutable std::unique_ptr<icu::NumberFormat> number_parser_;
  mutable bool date_formatter_loaded_ = false;
  mutable std::unique_ptr<icu::DateFormat> date_formatter_;
};

}  // namespace

std::string UserLocaleId(LocaleCategory category) {
  for (const char* variable : {"LC_ALL", CategoryVariable(category), "LANG"}) {
    if (std::string value = NonEmptyEnv(variable); !value.empty()) {
      return IcuIdFromPosixName(value);
    }
  }
  return IcuIdFromPosixName("C");
}

std::unique_ptr<LocaleServices> MakeIcuLocaleServices(const std::string& locale_id) {
  return std::make_unique<IcuLocaleServices>(locale_id, locale_id, locale_id);
}

std::unique_ptr<LocaleServices> MakeUserLocaleServices() {
  return std::make_unique<IcuLocaleServices>(UserLocaleId(LocaleCategory::kCtype),
                                             UserLocaleId(LocaleCategory::kNumeric),
                                             UserLocaleId(LocaleCategory::kTime));
}

}  // namespace pellomar
