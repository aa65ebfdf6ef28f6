#include "platform/cups/destination_report.h"

#include <cstdlib>
#include <string_view>

#include "platform/cups/system_paper.h"

namespace pellomar {

namespace {

std::string_view DestOption(const cups_dest_t& dest, const char* name) {
  const char* value = cupsGetOption(name, dest.num_options, dest.options);
  return value != nullptr ? value : "";
}

pwg_media_t* NamedMedia(const char* name) {
  pwg_media_t* media = pwgMediaForPWG(name);
  return media != nullptr ? media : pwgMediaForLegacy(name);
}

// Within the 1.76 mm (5 points) CUPS itself takes for the same size.
bool SameSize(const cups_size_t& size, const pwg_media_t& named) {
  return std::abs(size.width - named.width) <= 176 && std::abs(size.length - named.length) <= 176;
}

MediaSize FromCups(const cups_size_t& size) {
  return MediaSize{.width = size.width,
                   .length = size.length,
                   .left = size.left,
                   .right = size.right,
                   .top = size.top,
                   .bottom = size.bottom};
}

// The default media with its printable area. It is looked up by the size
// its name gives: looked up by name, a borderless default can come back as
// another size of the same width. A destination that lists only the media's
// name gets the margins CUPS assumes for such a size.
std::optional<MediaSize> DefaultMedia(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  cups_size_t size{};
  const std::string name(DestOption(*dest, "media"));
  const pwg_media_t* named = name.empty() ? nullptr : NamedMedia(name.c_str());
  if (named == nullptr) {
    if (cupsGetDestMediaDefault(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
      return FromCups(size);
    }
    return std::nullopt;
  }
  if (cupsGetDestMediaBySize(http, dest, info, named->width, named->length,
                             CUPS_MEDIA_FLAGS_DEFAULT, &size) &&
      SameSize(size, *named)) {
    return FromCups(size);
  }
  return WithNameOnlyMargins(named->width, named->length);
}

// The scheduler lists the custom size range among the supported media as
// "custom_min_..." and "custom_max_..." names.
std::optional<SizeRange> CustomSizes(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  ipp_attribute_t* supported = cupsFindDestSupported(http, dest, info, "media");
  if (supported == nullptr) return std::nullopt;
  const pwg_media_t* min = nullptr;
  const pwg_media_t* max = nullptr;
  for (int i = 0; i < ippGetCount(supported); ++i) {
    const char* name = ippGetString(supported, i, nullptr);
    if (name == nullptr) continue;
    const std::string_view value(name);
    if (value.starts_with("custom_min_")) min = pwgMediaForPWG(name);
    if (value.starts_with("custom_max_")) max = pwgMediaForPWG(name);
  }
  if (min == nullptr || max == nullptr) return std::nullopt;
  return SizeRange{.min_width = min->width,
                   .min_length = min->length,
                   .max_width = max->width,
                   .max_length = max->length};
}

}  // namespace

DestinationReport ReadDestinationReport(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  DestinationReport report;
  report.make_and_model = DestOption(*dest, "printer-make-and-model");
  report.accepts_raw =
      cupsCheckDestSupported(http, dest, info, "document-format", CUPS_FORMAT_RAW) != 0;
  report.media = DefaultMedia(http, dest, info);
  report.custom = CustomSizes(http, dest, info);
  if (!report.media) report.system = SystemPaperSize();
  return report;
}

std::string CustomMediaName(int width, int length) {
  char name[128];
  if (!pwgFormatSizeName(name, sizeof name, "custom", nullptr, width, length, "mm")) return {};
  return name;
}

}  // namespace pellomar
