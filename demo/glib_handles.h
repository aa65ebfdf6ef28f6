// Owning handles for the GLib and libsoup objects the demo service uses.
#pragma once

#include <glib-object.h>
#include <glib.h>

#include <memory>

namespace pellomar::demo {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
struct GHashTableUnref {
  void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
struct GBytesUnref {
  void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
};
struct GMainLoopUnref {
  void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};
struct GFree {
  void operator()(gpointer memory) const { g_free(memory); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;
using GHashTablePtr = std::unique_ptr<GHashTable, GHashTableUnref>;
using GBytesPtr = std::unique_ptr<GBytes, GBytesUnref>;
using GMainLoopPtr = std::unique_ptr<GMainLoop, GMainLoopUnref>;
using GCharPtr = std::unique_ptr<gchar, GFree>;

}  // namespace pellomar::demo
