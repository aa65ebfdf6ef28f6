// Runs the whole client in the test process against a fixture service, with
// a recording printer, and records every completion it handled.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gtk/pellomar_client.h"
#include "tests/fakes/recording_printer.h"
#include "tests/support/fixture_service.h"
#include "tests/support/main_loop.h"
#include "tests/support/service_pages.h"

namespace pellomar::testing {

// Delivers a key press to the window as the keyboard would; true when a
// handler took it.
bool PressKey(GtkWindow* window, guint keyval, GdkModifierType state);

struct HandledCompletion {
  std::string url;
  std::optional<DocumentSnapshot> top;
};

// The recording printer, with a hook into the moment a job is ended (where
// a real spooler may keep the main loop running).
class HookedPrinter : public PagePrinter {
 public:
  explicit HookedPrinter(RecordingPrinter& target) : target_(target) {}
  void PrintLine(std::u16string_view text) override { target_.PrintLine(text); }
  PrintResult EndDocument() override {
    if (while_ending) while_ending();
    return target_.EndDocument();
  }
  std::function<void()> while_ending;

 private:
  RecordingPrinter& target_;
};

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the client with its home page on service_.
  void StartClient();
  // Navigates the pane and waits for the top-level document's completion.
  void LoadAndWait(const std::string& url);
  bool WaitForCompletion(const std::string& url, int timeout_ms = 15000);
  std::vector<std::string> CompletedUrls() const;
  std::string Url(const std::string& path) const { return service_.origin() + path; }

  FixtureService service_;
  RecordingPrinter printer_;
  HookedPrinter hooked_printer_{printer_};
  std::unique_ptr<PellomarClient> client_;
  std::vector<HandledCompletion> completions_;
  bool closed_ = false;
  int hung_after_seconds_ = 10;  // passed to the client
};

}  // namespace pellomar::testing
