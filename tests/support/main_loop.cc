#include "tests/support/main_loop.h"

#include <glib.h>

#include <chrono>

namespace pellomar::testing {

bool SpinUntil(const std::function<bool()>& done, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  // Wakes the loop, so that done() is asked again even when no event comes.
  const guint tick = g_timeout_add(
      5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool held = done();
  while (!held && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    held = done();
  }
  g_source_remove(tick);
  return held;
}

void SpinFor(int ms) {
  SpinUntil([] { return false; }, ms);
}

}  // namespace pellomar::testing
