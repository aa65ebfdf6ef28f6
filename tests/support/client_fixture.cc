#include "tests/support/client_fixture.h"

#include "base/text.h"

namespace pellomar::testing {

bool PressKey(GtkWindow* window, guint keyval, GdkModifierType state) {
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(window))));
  event->key.keyval = keyval;
  event->key.state = state;
  event->key.time = GDK_CURRENT_TIME;
  gboolean handled = FALSE;
  g_signal_emit_by_name(window, "key-press-event", event, &handled);
  gdk_event_free(event);
  return handled;
}

void ClientTest::SetUp() {
  ASSERT_TRUE(service_.listening());
  AddServicePages(service_);
}

void ClientTest::TearDown() {
  client_.reset();
  SpinFor(50);
}

void ClientTest::StartClient() {
  PellomarClient::Options options;
  options.closed = [this] { closed_ = true; };
  options.hung_after_seconds = hung_after_seconds_;
  options.completion_handled = [this](std::u16string_view url, const DocumentSnapshot* top) {
    completions_.push_back(
        {Utf16ToUtf8(url), top ? std::optional<DocumentSnapshot>(*top) : std::nullopt});
  };
  client_ =
      pellomar::StartClient(Utf8ToUtf16(service_.host()), hooked_printer_, std::move(options));
}

void ClientTest::LoadAndWait(const std::string& url) {
  const size_t before = completions_.size();
  client_->pane().Navigate(Utf8ToUtf16(url));
  ASSERT_TRUE(SpinUntil([&] {
    for (size_t i = before; i < completions_.size(); ++i) {
      if (completions_[i].url == url) return true;
    }
    return false;
  })) << "no completion of "
      << url;
}

bool ClientTest::WaitForCompletion(const std::string& url, int timeout_ms) {
  return SpinUntil(
      [&] {
        for (const HandledCompletion& completion : completions_) {
          if (completion.url == url) return true;
        }
        return false;
      },
      timeout_ms);
}

std::vector<std::string> ClientTest::CompletedUrls() const {
  std::vector<std::string> urls;
  for (const HandledCompletion& completion : completions_) urls.push_back(completion.url);
  return urls;
}

}  // namespace pellomar::testing
