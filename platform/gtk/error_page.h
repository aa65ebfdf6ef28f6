// The page the window shows in place of the service's page when that cannot
// be shown, with a button that loads the failing address again at once.
#pragma once

#include <string>
#include <string_view>

namespace pellomar {

// Why the error page is shown.
enum class PageTrouble {
  kLoadFailed,         // retried in retry_in_seconds
  kPageStopped,        // its web process ended; reloaded in retry_in_seconds
  kPageKeepsStopping,  // ended too often; no more automatic reloads
};

// UTF-8 markup of the error page for `failing_url`, from the page template
// compiled into the program.
std::string ErrorPageMarkup(std::string_view failing_url, int retry_in_seconds,
                            PageTrouble trouble = PageTrouble::kLoadFailed);

}  // namespace pellomar
