#include "platform/gtk/pellomar_client.h"

#include "base/text.h"
#include "bridge/page_dispatch.h"
#include "platform/cups/cups_job_watch.h"
#include "platform/cups/cups_page_printer.h"
#include "platform/gtk/browser_keys.h"
#include "platform/gtk/diagnostic_log.h"
#include "platform/gtk/program_resources.h"
#include "platform/icu/icu_locale_services.h"
#include "shell/app_identity.h"

namespace pellomar {

namespace {

constexpr char kApplicationId[] = "com.pellomar.Pellomar";

void SetWindowIcon(GtkWindow* window) {
  GList* icons = nullptr;
  for (const char* size : {"16x16", "32x32", "48x48"}) {
    const std::string path =
        std::string("/com/pellomar/Pellomar/icons/") + size + "/" + kApplicationId + ".png";
    if (GdkPixbuf* icon = gdk_pixbuf_new_from_resource(path.c_str(), nullptr)) {
      icons = g_list_append(icons, icon);
    }
  }
  gtk_window_set_icon_list(window, icons);
  g_list_free_full(icons, g_object_unref);
}

}  // namespace

PellomarClient::PellomarClient(PagePrinter& printer, Options options)
    : printer_(printer),
      options_(std::move(options)),
      locale_(MakeUserLocaleServices()),
      job_watch_(MakeCupsJobWatch()),
      follow_timer_([this] { receipts_->Step(std::chrono::steady_clock::now()); }) {
  UseOneLineDiagnostics();
  RegisterProgramResources();
  receipts_ = std::make_unique<ReceiptFollower>(
      printer_, *job_watch_, follow_timer_, clock_,
      FollowerEvents{[this](const Report& report, int id) { ShowNotPrinted(report, id); },
                     [this](int id) {
                       if (window_) notice_->Withdraw(id);
                     },
                     [this](const Report& report) { ShowReport(report); },
                     // A hint gives way to a receipt that did not come out.
                     [this](const Report& report) {
                       if (window_ && notice_->visible() && notice_->owner() != 0) {
                         ShowReport({u"", report.diagnostic});
                       } else {
                         ShowReport(report);
                       }
                     }});
}

PellomarClient::~PellomarClient() {
  if (prepare_idle_ != 0) g_source_remove(prepare_idle_);
  if (pane_) g_signal_handlers_disconnect_by_data(pane_->view(), this);
  if (window_) {
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(GTK_WIDGET(window_));
  }
}

void PellomarClient::CreateAndShowMainWindow() {
  window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  SetWindowIcon(window_);

  pane_ = std::make_unique<WebKitBrowserPane>(
      WebKitBrowserPane::Events{[this](std::u16string_view url) { HandleCompletion(url); },
                                [this](const Report& report) { ShowReport(report); }});
  ConnectBrowserKeys(window_, pane_->view(), [this] { receipts_->ReprintNewest(); });
  ConnectPageGuards();
  g_signal_connect(pane_->view(), "load-changed", G_CALLBACK(OnLoadChanged), this);

  GtkWidget* overlay = gtk_overlay_new();
  GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
  gtk_container_add(GTK_CONTAINER(overlay), layout);
  gtk_container_add(GTK_CONTAINER(window_), overlay);
  surface_ = std::make_unique<GtkWindowSurface>(window_, GTK_LAYOUT(layout), pane_->widget());
  notice_ =
      std::make_unique<NoticeBar>(GTK_OVERLAY(overlay), [this] { return surface_->PanePixels(); });

  gtk_widget_add_events(GTK_WIDGET(window_), GDK_STRUCTURE_MASK | GDK_PROPERTY_CHANGE_MASK);
  g_signal_connect(window_, "configure-event", G_CALLBACK(OnConfigure), this);
  g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
  g_signal_connect(window_, "property-notify-event", G_CALLBACK(OnPropertyNotify), this);
  g_signal_connect(window_, "destroy", G_CALLBACK(OnDestroy), this);

  service_origin_ =
      std::make_unique<ServiceOriginWatch>(pane_->view(), Utf16ToUtf8(TheAppIdentity().HomeUrl));
  main_.emplace(*surface_, *pane_, TheAppIdentity());
  main_->Load();
  gtk_widget_show_all(GTK_WIDGET(window_));
}

// What keeps a page from holding the till: dialogs, downloads, failed
// loads, crashes and hangs.
void PellomarClient::ConnectPageGuards() {
  const auto report = [this](const Report& report) { ShowReport(report); };
  const AppIdentity& identity = TheAppIdentity();
  dialogs_ = std::make_unique<ScriptDialogs>(pane_->view(), window_,
                                             identity.ProductName + identity.ProductVersion, report,
                                             [this] { return ServiceOrigin(); });
  downloads_ = std::make_unique<DownloadGuard>(
      pane_->view(), DownloadGuard::Events{report, [this] { return ServiceOrigin(); }});
  recovery_ = std::make_unique<LoadRecovery>(
      pane_->view(), LoadRecovery::Events{report, [this] { return dialogs_->shown() != nullptr; },
                                          options_.hung_after_seconds});
}

// Until the home page has committed, the origin of the address it is asked
// for: the service's own pages keep their dialogs from the first one.
std::u16string PellomarClient::ServiceOrigin() const {
  if (service_origin_ && !service_origin_->origin().empty()) return service_origin_->origin();
  return EngineOriginOf(Utf16ToUtf8(TheAppIdentity().HomeUrl).c_str());
}

gboolean PellomarClient::OnConfigure(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<PellomarClient*>(self)->Resize();
  return FALSE;
}

gboolean PellomarClient::OnWindowState(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<PellomarClient*>(self)->Resize();
  return FALSE;
}

// The window manager may publish the frame's size after the configure event
// that came with it.
gboolean PellomarClient::OnPropertyNotify(GtkWidget*, GdkEvent* event, gpointer self) {
  if (event->property.atom == gdk_atom_intern_static_string("_NET_FRAME_EXTENTS")) {
    static_cast<PellomarClient*>(self)->Resize();
  }
  return FALSE;
}

void PellomarClient::Resize() {
  if (main_ && window_) main_->Resize();
}

void PellomarClient::OnDestroy(GtkWidget*, gpointer self) {
  auto* client = static_cast<PellomarClient*>(self);
  client->main_->Unload();
  client->window_ = nullptr;
  if (client->options_.closed) client->options_.closed();
}

// Once the first page has loaded, the window is up and the staff are
// reading it: the work a first receipt would otherwise do is done then, in
// the idle time after everything the loop has to draw.
void PellomarClient::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  if (event != WEBKIT_LOAD_FINISHED) return;
  auto* client = static_cast<PellomarClient*>(self);
  g_signal_handlers_disconnect_by_func(view, reinterpret_cast<gpointer>(OnLoadChanged), self);
  client->prepare_idle_ = g_idle_add_full(G_PRIORITY_LOW, PrepareWhenIdle, self, nullptr);
}

gboolean PellomarClient::PrepareWhenIdle(gpointer self) {
  auto* client = static_cast<PellomarClient*>(self);
  client->prepare_idle_ = 0;
  client->PrepareFirstReceipt();
  return G_SOURCE_REMOVE;
}

// The locale's number and date formats, loaded on first use, are used once
// as a receipt uses them; the printer connects and looks its destination up.
void PellomarClient::PrepareFirstReceipt() {
  if (const std::optional<DecimalNumber> amount = locale_->ParseNumber(u"1234.5")) {
    locale_->FormatTwoDecimals(*amount);
  }
  locale_->FormatDateTime(clock_.Now());
  receipts_->Prepare();
}

void PellomarClient::HandleCompletion(std::u16string_view url) {
  const DispatchContext context{*pane_, profile_,   *locale_,
                                clock_, *receipts_, service_origin_->origin()};
  if (const Failure failure = OnDocumentComplete(url, context)) ShowReport(*failure);
  if (options_.completion_handled) options_.completion_handled(url, pane_->Document());
}

void PellomarClient::ShowReport(const Report& report) {
  if (!report.diagnostic.empty()) g_warning("%s", report.diagnostic.c_str());
  // While the window is being torn down the pane may still report (its web
  // process ends with it); there is no notice bar left to show it on.
  if (!report.notice.empty() && window_) notice_->Show(report.notice);
}

// The notice of a receipt that did not reach paper is the receipt's own and
// offers to print it again.
void PellomarClient::ShowNotPrinted(const Report& report, int receipt_id) {
  if (!report.diagnostic.empty()) g_warning("%s", report.diagnostic.c_str());
  if (!window_) return;
  notice_->Show(
      report.notice,
      NoticeBar::Action{u"重新打印", [this, receipt_id] { receipts_->Reprint(receipt_id); }},
      receipt_id);
}

std::unique_ptr<PellomarClient> StartClient(std::u16string_view service_host, PagePrinter& printer,
                                            PellomarClient::Options options) {
  auto client = std::make_unique<PellomarClient>(printer, std::move(options));
  StartApplication(service_host, *client);
  return client;
}

int RunPellomar(std::u16string_view service_host) {
  g_set_prgname(kApplicationId);
  g_set_application_name("Pellomar");
  gtk_init(nullptr, nullptr);
  // Both parts of WM_CLASS carry the application id, so that desktops tie the
  // window to its desktop entry (StartupWMClass) whichever part they read.
  // Set after initialisation, which would otherwise capitalise it.
  gdk_set_program_class(kApplicationId);
  std::unique_ptr<PagePrinter> printer = MakeCupsPagePrinter();
  PellomarClient::Options options;
  options.closed = [] { gtk_main_quit(); };
  std::unique_ptr<PellomarClient> client = StartClient(service_host, *printer, std::move(options));
  gtk_main();
  return 0;
}

}  // namespace pellomar
