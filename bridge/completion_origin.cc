#include "bridge/completion_origin.h"

#include <string>

#include "base/text.h"

namespace pellomar {

namespace {

// The print page is loaded into a direct frame of the service's top-level
// page; a deeper document is some other page's frame.
constexpr std::size_t kMaxDepth = 1;

std::string Shown(const std::optional<std::u16string>& origin) {
  return origin ? Utf16ToUtf8(ClipText(*origin, 100)) : "an unreadable origin";
}

Report Ignored(std::u16string_view url, const std::string& why) {
  return Report{{}, OneLine("ignored print page " + Utf16ToUtf8(ClipText(url, 200)) + ": " + why)};
}

}  // namespace

Failure RefuseUnlessFromTheService(std::u16string_view url, const OriginLineage& lineage,
                                   std::u16string_view service_origin) {
  if (service_origin.empty()) {
    return Ignored(url, "the service's origin is not known yet (its home page has not loaded)");
  }
  const std::string service = Utf16ToUtf8(ClipText(service_origin, 100));
  if (lineage.empty()) return Ignored(url, "the page bridge did not give its origin");
  if (lineage.front() != service_origin) {
    return Ignored(url,
                   "its origin " + Shown(lineage.front()) + " is outside the service " + service);
  }
  for (std::size_t i = 1; i < lineage.size(); ++i) {
    if (lineage[i] != service_origin) {
      return Ignored(
          url, "a page above it of " + Shown(lineage[i]) + " is outside the service " + service);
    }
  }
  if (lineage.size() - 1 > kMaxDepth) {
    return Ignored(url, "it is a nested frame (depth " + std::to_string(lineage.size() - 1) +
                            "), not the top-level page or one of its frames");
  }
  return std::nullopt;
}

}  // namespace pellomar
