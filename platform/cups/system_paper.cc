#include "platform/cups/system_paper.h"

#include <paper.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/cups/receipt_geometry.h"

namespace pellomar {

namespace {

struct PaperLibrary {
  PaperLibrary() { paperinit(); }
  ~PaperLibrary() { paperdone(); }
  PaperLibrary(const PaperLibrary&) = delete;
  PaperLibrary& operator=(const PaperLibrary&) = delete;
};

struct FreeName {
  void operator()(char* name) const { std::free(name); }
};

}  // namespace

MediaSize WithNameOnlyMargins(int width, int length) {
  return MediaSize{
      .width = width, .length = length, .left = 635, .right = 635, .top = 1270, .bottom = 1270};
}

std::optional<MediaSize> SystemPaperSize() {
  PaperLibrary library;
  std::unique_ptr<char, FreeName> name(systempapername());
  if (!name) return std::nullopt;
  const struct paper* paper = paperinfo(name.get());
  if (paper == nullptr) return std::nullopt;
  const int width = HundredthsMmFromPoints(paperpswidth(paper));
  const int length = HundredthsMmFromPoints(paperpsheight(paper));
  if (width <= 0 || length <= 0) return std::nullopt;
  return WithNameOnlyMargins(width, length);
}

}  // namespace pellomar
