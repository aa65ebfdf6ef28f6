// B_Main: the program's only window, all browser.
#pragma once

#include <string_view>

#include "shell/browser_layout.h"

namespace pellomar {

struct AppIdentity;
class BrowserPane;

// What the window's rules need of the windowing toolkit.
class WindowSurface {
 public:
  virtual ~WindowSurface() = default;
  virtual void SetMaximized() = 0;
  virtual void SetCaption(std::u16string_view caption) = 0;
  virtual TwipsSize OuterSize() const = 0;  // frame and caption included
  virtual TwipsRect PaneRect() const = 0;
  virtual void SetPaneRect(const TwipsRect& rect) = 0;
};

class B_Main {
 public:
  B_Main(WindowSurface& surface, BrowserPane& pane, const AppIdentity& identity)
      : surface_(surface), pane_(pane), identity_(identity) {}

  void Load();      // before first shown: maximise, caption, layout, home page
  void Resize();    // any size or state change
  void Unload() {}  // closing never asks and saves nothing

  void LayoutBrowser();

 private:
  WindowSurface& surface_;
  BrowserPane& pane_;
  const AppIdentity& identity_;
};

}  // namespace pellomar
