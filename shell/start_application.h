// Where the program begins.
#pragma once

#include <string_view>

namespace pellomar {

// Creates and shows the main window; the toolkit's event loop runs until it
// is closed.
class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;
  virtual void CreateAndShowMainWindow() = 0;  // runs B_Main::Load before visible
};

// Fills the identity record, then creates and shows B_Main.
void StartApplication(std::u16string_view service_host, MainWindowHost& host);

}  // namespace pellomar
