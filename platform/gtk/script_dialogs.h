// alert(), confirm() and prompt() of the pane. The service's own documents
// get them as modal dialogs under the program's caption; documents of every
// other origin are answered inside the page (nothing, false, null; their
// print() does nothing) by a page-world script the engine runs before any of
// theirs; and a page that
// raises more than a few in a row has the rest answered at once, with one
// notice.
#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

#include "base/report.h"
#include "shell/dialog_flood.h"

namespace pellomar {

class ScriptDialogs {
 public:
  // Documents of trusted_origin() (as the engine writes origins) keep their
  // dialogs; it is asked again at every step of a top-level load, and an
  // empty one trusts no document.
  ScriptDialogs(WebKitWebView* view, GtkWindow* window, std::u16string caption,
                std::function<void(const Report&)> report,
                std::function<std::u16string()> trusted_origin);
  ~ScriptDialogs();
  ScriptDialogs(const ScriptDialogs&) = delete;
  ScriptDialogs& operator=(const ScriptDialogs&) = delete;

  // The dialog shown now, if any: the page waits for its answer.
  GtkWidget* shown() const { return shown_; }
  int shown_count() const { return shown_count_; }

 private:
  static gboolean OnScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog, gpointer self);
  static void OnResponse(GtkDialog* widget, gint response, gpointer self);
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static void OnWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason,
                                     gpointer self);

  void FollowTrustedOrigin();
  void Show(WebKitScriptDialog* dialog);
  void Answer(gint response);

  WebKitWebView* view_;  // owned by the pane, which outlives this
  GtkWindow* window_;
  std::u16string caption_;
  std::function<void(const Report&)> report_;
  std::function<std::u16string()> trusted_origin_;
  std::u16string trusted_;               // the one refusal_ was made for
  WebKitUserScript* refusal_ = nullptr;  // in the view's content manager
  DialogFlood flood_;
  WebKitScriptDialog* pending_ = nullptr;  // referenced while shown
  GtkWidget* shown_ = nullptr;
  GtkWidget* entry_ = nullptr;  // of a prompt
  int shown_count_ = 0;
};

}  // namespace pellomar
