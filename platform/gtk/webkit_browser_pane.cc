#include "platform/gtk/webkit_browser_pane.h"

#include <gio/gio.h>

#include <utility>

#include "base/text.h"
#include "platform/gtk/program_resources.h"

namespace pellomar {

namespace {

constexpr char kBridgeWorld[] = "pellomar-bridge";
constexpr char kHandlerName[] = "pellomar";

void AddUserScript(WebKitUserContentManager* manager, const std::string& source,
                   const char* world) {
  WebKitUserScript* script =
      world ? webkit_user_script_new_for_world(
                  source.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                  WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, world, nullptr, nullptr)
            : webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                     WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(manager, script);
  webkit_user_script_unref(script);
}

}  // namespace

WebKitBrowserPane::WebKitBrowserPane(Events events) : events_(std::move(events)) {
  GObjectPtr<WebKitUserContentManager> manager = AdoptObject(webkit_user_content_manager_new());
  AddUserScript(manager.get(), ProgramResourceText("/com/pellomar/Pellomar/tag_mirror.js"),
                nullptr);
  AddUserScript(manager.get(), ProgramResourceText("/com/pellomar/Pellomar/print_page_address.js"),
                kBridgeWorld);
  AddUserScript(manager.get(), ProgramResourceText("/com/pellomar/Pellomar/page_bridge.js"),
                kBridgeWorld);
  g_signal_connect(manager.get(), "script-message-received::pellomar", G_CALLBACK(OnScriptMessage),
                   this);
  webkit_user_content_manager_register_script_message_handler_in_world(manager.get(), kHandlerName,
                                                                       kBridgeWorld);

  GtkWidget* view = webkit_web_view_new_with_user_content_manager(manager.get());
  view_ = GObjectPtr<WebKitWebView>(WEBKIT_WEB_VIEW(g_object_ref_sink(view)));
}

WebKitBrowserPane::~WebKitBrowserPane() {
  g_signal_handlers_disconnect_by_data(view_.get(), this);
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(view_.get()), this);
}

void WebKitBrowserPane::Navigate(std::u16string_view url) {
  webkit_web_view_load_uri(view_.get(), Utf16ToUtf8(url).c_str());
}

const DocumentSnapshot* WebKitBrowserPane::Document() const {
  return current_ && current_->top ? &*current_->top : nullptr;
}

OriginLineage WebKitBrowserPane::CompletedLineage() const {
  return current_ ? current_->origins : OriginLineage{};
}

void WebKitBrowserPane::OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                        gpointer self) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!jsc_value_is_string(value)) return;
  GCharPtr text(jsc_value_to_string(value));
  static_cast<WebKitBrowserPane*>(self)->Receive(text.get());
}

void WebKitBrowserPane::Receive(std::string json) {
  pending_.push_back(std::move(json));
  HandleInOrder();
}

// A handler that spins the main loop (a print dialog, a slow spooler) must
// not see the next completion start inside it: completions that arrive
// meanwhile wait here and are handled after it returns.
void WebKitBrowserPane::HandleInOrder() {
  if (handling_) return;
  handling_ = true;
  while (!pending_.empty()) {
    const std::string json = std::move(pending_.front());
    pending_.pop_front();
    current_ = DecodeCompletion(json);
    if (!current_) {
      events_.report({u"", "page bridge: unreadable completion message (" +
                               std::to_string(json.size()) + " bytes), ignored"});
      continue;
    }
    if (events_.completed) events_.completed(current_->url);
    current_.reset();
  }
  handling_ = false;
}

}  // namespace pellomar
