// What the window does when the service's page cannot be loaded: an error
// page of its own, and retries that back off from a few seconds to a minute.
#pragma once

#include <string>
#include <string_view>

namespace pellomar {

// Seconds to wait before retry number `attempt` (1 for the first retry).
int RetryDelaySeconds(int attempt);

// The page shown in place of one that failed to load, with a button that
// loads `failing_url` again at once.
std::u16string LoadErrorPage(std::u16string_view failing_url, int retry_in_seconds);

}  // namespace pellomar
