#include "platform/gtk/script_dialogs.h"

#include <string_view>

#include "base/text.h"

namespace pellomar {

namespace {

// A JavaScript string literal of text (an origin: no quotes expected, but
// escaped all the same).
std::string JsString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    if (static_cast<unsigned char>(c) < 0x20) continue;
    out.push_back(c);
  }
  return out + "\"";
}

// Runs first in every document, in the page's own world. In a document of
// another origin it puts answers in place of the three dialogs (and of the
// print dialog), fixed so that the page cannot put the engine's back. The document's origin is
// read before any of its own script has run.
std::string RefusalScript(std::u16string_view trusted_origin) {
  return "(() => {"
         "  if (self.origin === " +
         JsString(Utf16ToUtf8(trusted_origin)) +
         ") return;"
         "  const answers = {alert: undefined, confirm: false, prompt: null, print: undefined};"
         "  for (const name of Object.keys(answers)) {"
         "    const answer = answers[name];"
         "    Object.defineProperty(window, name, {value: function () { return answer; },"
         "      writable: false, enumerable: true, configurable: false});"
         "  }"
         "})();";
}

const char* KindOf(WebKitScriptDialogType type) {
  switch (type) {
    case WEBKIT_SCRIPT_DIALOG_ALERT:
      return "alert";
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
      return "confirm";
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
      return "prompt";
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
      return "leave-page confirm";
  }
  return "dialog";
}

}  // namespace

ScriptDialogs::ScriptDialogs(WebKitWebView* view, GtkWindow* window, std::u16string caption,
                             std::function<void(const Report&)> report,
                             std::function<std::u16string()> trusted_origin)
    : view_(view),
      window_(window),
      caption_(std::move(caption)),
      report_(std::move(report)),
      trusted_origin_(std::move(trusted_origin)) {
  g_signal_connect(view_, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(view_, "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
  // After the other handlers, which may just have learnt the origin.
  g_signal_connect_after(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
  FollowTrustedOrigin();
}

ScriptDialogs::~ScriptDialogs() {
  g_signal_handlers_disconnect_by_data(view_, this);
  if (shown_) Answer(GTK_RESPONSE_CANCEL);
  if (refusal_) webkit_user_script_unref(refusal_);
}

void ScriptDialogs::OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self) {
  static_cast<ScriptDialogs*>(self)->FollowTrustedOrigin();
}

// The refusal is baked into the script for the origin trusted now; a new
// origin gets a new script, for the documents made from then on.
void ScriptDialogs::FollowTrustedOrigin() {
  const std::u16string origin = trusted_origin_ ? trusted_origin_() : std::u16string();
  if (refusal_ && origin == trusted_) return;
  trusted_ = origin;
  WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(view_);
  if (refusal_) {
    webkit_user_content_manager_remove_script(manager, refusal_);
    webkit_user_script_unref(refusal_);
  }
  refusal_ =
      webkit_user_script_new(RefusalScript(origin).c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(manager, refusal_);
}

gboolean ScriptDialogs::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
  auto* self = static_cast<ScriptDialogs*>(data);
  const char* kind = KindOf(webkit_script_dialog_get_dialog_type(dialog));
  const DialogFlood::Verdict verdict = self->shown_
                                           ? DialogFlood::Verdict::kAnswer
                                           : self->flood_.OnDialog(DialogFlood::Clock::now());
  switch (verdict) {
    case DialogFlood::Verdict::kShow:
      self->Show(dialog);
      return TRUE;
    case DialogFlood::Verdict::kAnswerAndTell:
      self->report_({u"页面连续弹出对话框，已自动关闭。",
                     std::string("script ") + kind +
                         " answered without showing it: more than 3 dialogs within 10 s"});
      break;
    case DialogFlood::Verdict::kAnswer:
      break;  // told at the flood's start; a page that loops must not fill stderr
  }
  // Not shown: alert closed, confirm answered no, prompt null; leaving the
  // page is let go, so that no page can keep the pane from moving on.
  if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
    webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
  }
  return TRUE;
}

void ScriptDialogs::Show(WebKitScriptDialog* dialog) {
  const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
  const bool asks = type != WEBKIT_SCRIPT_DIALOG_ALERT;
  GtkWidget* widget = gtk_message_dialog_new(
      window_, GTK_DIALOG_MODAL, asks ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO, GTK_BUTTONS_NONE,
      "%s", webkit_script_dialog_get_message(dialog));
  gtk_window_set_title(GTK_WINDOW(widget), Utf16ToUtf8(caption_).c_str());
  if (asks) gtk_dialog_add_button(GTK_DIALOG(widget), "取消", GTK_RESPONSE_CANCEL);
  gtk_dialog_add_button(GTK_DIALOG(widget), "确定", GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(widget), GTK_RESPONSE_OK);
  entry_ = nullptr;
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
    entry_ = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry_), webkit_script_dialog_prompt_get_default_text(dialog));
    gtk_entry_set_activates_default(GTK_ENTRY(entry_), TRUE);
    gtk_container_add(
        GTK_CONTAINER(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(widget))), entry_);
  }
  pending_ = webkit_script_dialog_ref(dialog);
  shown_ = widget;
  ++shown_count_;
  g_signal_connect(widget, "response", G_CALLBACK(OnResponse), this);
  gtk_widget_show_all(widget);
}

void ScriptDialogs::OnResponse(GtkDialog*, gint response, gpointer self) {
  static_cast<ScriptDialogs*>(self)->Answer(response);
}

void ScriptDialogs::Answer(gint response) {
  const bool yes = response == GTK_RESPONSE_OK;
  WebKitScriptDialog* dialog = pending_;
  GtkWidget* widget = shown_;
  pending_ = nullptr;
  shown_ = nullptr;
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
      webkit_script_dialog_confirm_set_confirmed(dialog, yes);
      break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT:
      if (yes) webkit_script_dialog_prompt_set_text(dialog, gtk_entry_get_text(GTK_ENTRY(entry_)));
      break;
    case WEBKIT_SCRIPT_DIALOG_ALERT:
      break;
  }
  entry_ = nullptr;
  webkit_script_dialog_close(dialog);
  webkit_script_dialog_unref(dialog);
  g_signal_handlers_disconnect_by_data(widget, this);
  gtk_widget_destroy(widget);
}

// Nobody is waiting for the answer any more.
void ScriptDialogs::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                           gpointer self) {
  auto* dialogs = static_cast<ScriptDialogs*>(self);
  if (dialogs->shown_) dialogs->Answer(GTK_RESPONSE_CANCEL);
}

}  // namespace pellomar
