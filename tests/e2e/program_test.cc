// The pellomar executable as a person starts it: whatever is on its command
// line, it shows the home page maximised under its caption, and closing the
// window ends it with status 0.
#include <sys/wait.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/client_fixture.h"

// Xlib's macros clash with names in gtest, so it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#undef None
#undef Bool
#undef Status

namespace pellomar::testing {
namespace {

class XConnection {
 public:
  XConnection() : display_(XOpenDisplay(nullptr)) {}
  ~XConnection() {
    if (display_) XCloseDisplay(display_);
  }
  Display* get() const { return display_; }

  std::vector<unsigned long> Property(Window window, const char* name, Atom type) const {
    Atom actual_type;
    int format;
    unsigned long count = 0, remaining;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, name, False), 0, 1024, False,
                           type, &actual_type, &format, &count, &remaining, &data) == Success &&
        data && format == 32) {
      auto* longs = reinterpret_cast<unsigned long*>(data);
      values.assign(longs, longs + count);
    }
    if (data) XFree(data);
    return values;
  }

  std::string Text(Window window, const char* name, const char* type) const {
    Atom actual_type;
    int format;
    unsigned long count = 0, remaining;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, name, False), 0, 1024, False,
                           XInternAtom(display_, type, False), &actual_type, &format, &count,
                           &remaining, &data) == Success &&
        data && format == 8) {
      text.assign(reinterpret_cast<char*>(data), count);
    }
    if (data) XFree(data);
    return text;
  }

  std::optional<Window> WindowOfProcess(pid_t pid) const {
    const Window root = DefaultRootWindow(display_);
    for (unsigned long window : Property(root, "_NET_CLIENT_LIST", XA_WINDOW)) {
      const auto pids = Property(window, "_NET_WM_PID", XA_CARDINAL);
      if (!pids.empty() && static_cast<pid_t>(pids[0]) == pid) return window;
    }
    return std::nullopt;
  }

  bool HasState(Window window, const char* state) const {
    const Atom wanted = XInternAtom(display_, state, False);
    for (unsigned long atom : Property(window, "_NET_WM_STATE", XA_ATOM)) {
      if (atom == wanted) return true;
    }
    return false;
  }

  // What the close button of the window manager's frame asks for.
  void AskToClose(Window window) const {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "_NET_CLOSE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 2;  // from a pager or a person
    XSendEvent(display_, DefaultRootWindow(display_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
  }

 private:
  Display* display_;
};

TEST(ProgramTest, IgnoresItsCommandLineAndEndsWithStatusZeroWhenClosed) {
  FixtureService service("127.0.0.1", PELLOMAR_E2E_PROGRAM_PORT);
  ASSERT_TRUE(service.listening()) << "port " << PELLOMAR_E2E_PROGRAM_PORT << " is taken";
  AddServicePages(service);
  XConnection x;
  ASSERT_NE(x.get(), nullptr);

  // Options GTK or X would act on, a page address and a class name: none
  // of them may change anything.
  const char* argv[] = {PELLOMAR_PROGRAM_AT_TEST_HOST,
                        "--help",
                        "--display=:999",
                        "--class=Other",
                        "--name=other",
                        "http://127.0.0.2/member/index.asp",
                        nullptr};
  GPid pid = 0;
  GError* error = nullptr;
  ASSERT_TRUE(g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                            nullptr, nullptr, &pid, &error))
      << error->message;

  std::optional<Window> window;
  const bool shown = SpinUntil(
      [&] {
        if (!window) window = x.WindowOfProcess(pid);
        return window && service.RequestCount("/member/main/inner.asp") > 0 &&
               x.HasState(*window, "_NET_WM_STATE_MAXIMIZED_VERT") &&
               x.HasState(*window, "_NET_WM_STATE_MAXIMIZED_HORZ");
      },
      30000);
  if (!shown) kill(pid, SIGKILL);
  ASSERT_TRUE(shown) << "requests: " << ::testing::PrintToString(service.requests());
  EXPECT_EQ(service.RequestCount("/member/index.asp"), 1);
  EXPECT_EQ(x.Text(*window, "_NET_WM_NAME", "UTF8_STRING"), "PellomarV1.0");
  EXPECT_EQ(x.Text(*window, "WM_CLASS", "STRING"),
            std::string("com.pellomar.Pellomar\0com.pellomar.Pellomar\0", 44));

  x.AskToClose(*window);
  int status = -1;
  const bool ended = SpinUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 15000);
  if (!ended) kill(pid, SIGKILL);
  ASSERT_TRUE(ended) << "the program did not end when its window was closed";
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  g_spawn_close_pid(pid);
}

}  // namespace
}  // namespace pellomar::testing
