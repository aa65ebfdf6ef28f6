// The system's paper size, as libpaper names it: PAPER, PAPERCONF or
// /etc/papersize, else the library's built-in default. The scheduler falls
// back on the same size for a queue that names none.
#pragma once

#include <optional>

#include "platform/cups/paper_choice.h"

namespace pellomar {

// With the margins CUPS assumes for a size it knows only by name; nothing
// when the name is not a paper size libpaper knows.
std::optional<MediaSize> SystemPaperSize();

// CUPS's margins for a size known only by name: a quarter inch at the sides,
// half an inch at the top and bottom.
MediaSize WithNameOnlyMargins(int width, int length);

}  // namespace pellomar
