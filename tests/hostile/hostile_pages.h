// Pages for the hostile-page and fault tests, on top of the service's own:
// order pages with markup of a case's own, and print pages raised by the
// frameset or again and again by the order page.
#pragma once

#include <string>

#include "tests/support/fixture_service.h"
#include "tests/support/service_pages.h"

namespace pellomar::testing {

// A frameset at path whose "mainFrame" is an order page with extra markup
// (inputs, scripts) after the standard items; once loaded, the order page
// sends "middleFrame" to the standard print page. Returns path.
std::string AddOrder(FixtureService& service, const std::string& path,
                     const std::string& extra_markup);

// A frameset at path whose "middleFrame" is sent to print_path when the
// whole frameset has loaded; "mainFrame" shows main_src.
std::string AddPrintingFrameset(FixtureService& service, const std::string& path,
                                const std::string& main_src, const std::string& print_path);

// Script for an order page: n times in a row, set "Ddh" to 1, 2, ... n and
// send "middleFrame" to print_path, each time once the previous print page
// has loaded.
std::string RepeatedPrintScript(int n, const std::string& print_path);

}  // namespace pellomar::testing
