// Running the default GLib main loop until something has happened, for the
// tests and the benchmarks that drive the client or a service in-process.
#pragma once

#include <functional>

namespace pellomar::testing {

// Runs the main loop until done() holds or timeout_ms has passed; returns
// done(). done() is asked after every event, and at least every 5 ms, so it
// may also wait for things outside the loop (files, other processes).
bool SpinUntil(const std::function<bool()>& done, int timeout_ms = 15000);
// Runs the main loop for a while, for things that must NOT happen.
void SpinFor(int ms);

}  // namespace pellomar::testing
