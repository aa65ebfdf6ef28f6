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

// The size a media name gives. CUPS answers in a buffer of its own that
// its next media call overwrites: the size is copied out at once.
std::optional<MediaSize> NamedSize(const char* name) {
  const pwg_media_t* media = pwgMediaForPWG(name);
  if (media == nullptr) media = pwgMediaForLegacy(name);
  if (media == nullptr) return std::nullopt;
  return MediaSize{.width = media->width, .length = media->length};
}

// Within the 1.76 mm (5 points) CUPS itself takes for the same size.
bool SameSize(const cups_size_t& size, const MediaSize& named) {
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

bool Borderless(const cups_size_t& size) {
  return size.left == 0 && size.right == 0 && size.top == 0 && size.bottom == 0;
}

// The destination's own entry for the size, with its printable area: its
// usual margins before a borderless variant. The entries are searched here
// because the lookup by size (or name) of CUPS can answer another size of
// the same width when the exact one is borderless.
std::optional<MediaSize> ListedSize(http_t* http, cups_dest_t* dest, cups_dinfo_t* info,
                                    const MediaSize& wanted) {
  std::optional<MediaSize> borderless;
  const int count = cupsGetDestMediaCount(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
  for (int i = 0; i < count; ++i) {
    cups_size_t size{};
    if (!cupsGetDestMediaByIndex(http, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size)) continue;
    if (!SameSize(size, wanted)) continue;
    if (!Borderless(size)) return FromCups(size);
    if (!borderless) borderless = FromCups(size);
  }
  return borderless;
}

// The name of the default media: the destination's "media" option (the
// user's lpoptions), else the scheduler's media-default.
std::string DefaultMediaName(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  if (const std::string_view option = DestOption(*dest, "media"); !option.empty()) {
    return std::string(option);
  }
  ipp_attribute_t* fallback = cupsFindDestDefault(http, dest, info, "media");
  const char* name = fallback != nullptr ? ippGetString(fallback, 0, nullptr) : nullptr;
  return name != nullptr ? name : "";
}

// The default media, found by its name among the destination's own entries.
// A destination that lists only the media's name gets the margins CUPS
// assumes for such a size.
std::optional<MediaSize> DefaultMedia(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  const std::string name = DefaultMediaName(http, dest, info);
  const std::optional<MediaSize> named = name.empty() ? std::nullopt : NamedSize(name.c_str());
  if (!named) {
    cups_size_t size{};
    if (cupsGetDestMediaDefault(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
      return FromCups(size);
    }
    return std::nullopt;
  }
  if (std::optional<MediaSize> listed = ListedSize(http, dest, info, *named)) return listed;
  return WithNameOnlyMargins(named->width, named->length);
}

// The scheduler lists the custom size range among the supported media as
// "custom_min_..." and "custom_max_..." names.
std::optional<SizeRange> CustomSizes(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  ipp_attribute_t* supported = cupsFindDestSupported(http, dest, info, "media");
  if (supported == nullptr) return std::nullopt;
  std::optional<MediaSize> min, max;
  for (int i = 0; i < ippGetCount(supported); ++i) {
    const char* name = ippGetString(supported, i, nullptr);
    if (name == nullptr) continue;
    const std::string_view value(name);
    if (value.starts_with("custom_min_")) min = NamedSize(name);
    if (value.starts_with("custom_max_")) max = NamedSize(name);
  }
  if (!min || !max) return std::nullopt;
  return SizeRange{.min_width = min->width,
                   .min_length = min->length,
                   .max_width = max->width,
                   .max_length = max->length};
}

}  // namespace

DestinationReport ReadDestinationReport(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  DestinationReport report;
  report.make_and_model = DestOption(*dest, "printer-make-and-model");
  report.device_uri = DestOption(*dest, "device-uri");
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
