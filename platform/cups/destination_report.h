// What the default destination reports about itself, read through CUPS's
// destination API into the plain facts ChoosePaper decides on.
#pragma once

#include <cups/cups.h>

#include "platform/cups/paper_choice.h"

namespace pellomar {

DestinationReport ReadDestinationReport(http_t* http, cups_dest_t* dest, cups_dinfo_t* info);

// The media name that asks for a custom size, e.g. "custom_58x97.54mm...".
std::string CustomMediaName(int width, int length);

}  // namespace pellomar
