// A StepTimer on the GLib main loop: the step runs on the user-interface
// thread, between events, like everything else.
#pragma once

#include <glib.h>

#include <chrono>
#include <functional>

#include "receipt/receipt_follower.h"

namespace pellomar {

class GlibStepTimer final : public StepTimer {
 public:
  explicit GlibStepTimer(std::function<void()> step) : step_(std::move(step)) {}
  ~GlibStepTimer() override { Cancel(); }
  GlibStepTimer(const GlibStepTimer&) = delete;
  GlibStepTimer& operator=(const GlibStepTimer&) = delete;

  void StepIn(std::chrono::milliseconds delay) override {
    Cancel();
    source_ = g_timeout_add(static_cast<guint>(delay.count()), &GlibStepTimer::Fire, this);
  }

 private:
  static gboolean Fire(gpointer self) {
    auto* timer = static_cast<GlibStepTimer*>(self);
    timer->source_ = 0;
    timer->step_();  // may schedule the next step
    return G_SOURCE_REMOVE;
  }
  void Cancel() {
    if (source_ != 0) g_source_remove(source_);
    source_ = 0;
  }

  std::function<void()> step_;
  guint source_ = 0;
};

}  // namespace pellomar
