// The whole program behind main(): the window, the browser pane, the page
// bridge and the core's rules wired together for one service host and one
// printer. Tests run it in-process with a printer of their own.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/locale_services.h"
#include "bridge/login_profile.h"
#include "platform/gtk/download_guard.h"
#include "platform/gtk/engine_origin.h"
#include "platform/gtk/gtk_window_surface.h"
#include "platform/gtk/load_recovery.h"
#include "platform/gtk/notice_bar.h"
#include "platform/gtk/script_dialogs.h"
#include "platform/gtk/step_timer.h"
#include "platform/gtk/system_clock.h"
#include "platform/gtk/webkit_browser_pane.h"
#include "receipt/page_printer.h"
#include "receipt/receipt_follower.h"
#include "shell/main_window.h"
#include "shell/start_application.h"

namespace pellomar {

class PellomarClient : public MainWindowHost {
 public:
  struct Options {
    // Called once the window has been closed and destroyed.
    std::function<void()> closed;
    // Called after each completion has been handled, while its captured
    // page is still the pane's Document().
    std::function<void(std::u16string_view url, const DocumentSnapshot* top)> completion_handled;
    // A web process that does not answer for this long is ended as hung.
    int hung_after_seconds = 10;
  };

  PellomarClient(PagePrinter& printer, Options options);
  ~PellomarClient() override;
  PellomarClient(const PellomarClient&) = delete;
  PellomarClient& operator=(const PellomarClient&) = delete;

  void CreateAndShowMainWindow() override;

  // Parts, for tests; valid after CreateAndShowMainWindow until closed.
  GtkWindow* window() const { return window_; }
  WebKitBrowserPane& pane() { return *pane_; }
  GtkWindowSurface& surface() { return *surface_; }
  NoticeBar& notice() { return *notice_; }
  LoadRecovery& recovery() { return *recovery_; }
  ScriptDialogs& dialogs() { return *dialogs_; }
  const LoginProfile& profile() const { return profile_; }
  ReceiptFollower& receipts() { return *receipts_; }

 private:
  static gboolean OnConfigure(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnWindowState(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnPropertyNotify(GtkWidget*, GdkEvent* event, gpointer self);
  static void OnDestroy(GtkWidget*, gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean PrepareWhenIdle(gpointer self);

  void ConnectPageGuards();
  std::u16string ServiceOrigin() const;
  void Resize();
  void HandleCompletion(std::u16string_view url);
  void ShowReport(const Report& report);
  void ShowNotPrinted(const Report& report, int receipt_id);
  void PrepareFirstReceipt();

  PagePrinter& printer_;
  Options options_;
  std::unique_ptr<LocaleServices> locale_;
  SystemClock clock_;
  LoginProfile profile_;
  // Every receipt goes through receipts_ to printer_, and is followed to paper.
  std::unique_ptr<JobWatch> job_watch_;
  GlibStepTimer follow_timer_;
  std::unique_ptr<ReceiptFollower> receipts_;

  GtkWindow* window_ = nullptr;
  std::unique_ptr<WebKitBrowserPane> pane_;
  std::unique_ptr<GtkWindowSurface> surface_;
  std::unique_ptr<NoticeBar> notice_;
  std::unique_ptr<LoadRecovery> recovery_;
  std::unique_ptr<ServiceOriginWatch> service_origin_;
  std::unique_ptr<ScriptDialogs> dialogs_;
  std::unique_ptr<DownloadGuard> downloads_;
  std::optional<B_Main> main_;
  guint prepare_idle_ = 0;
};

// Fills the identity for service_host and shows the window.
std::unique_ptr<PellomarClient> StartClient(std::u16string_view service_host, PagePrinter& printer,
                                            PellomarClient::Options options);

// main(): the toolkit started without looking at the command line, the
// client on the default printer, the event loop until the window closes.
int RunPellomar(std::u16string_view service_host);

}  // namespace pellomar
