// Owning handles for the GLib objects this folder holds, so that every
// reference is released exactly once.
#pragma once

#include <glib-object.h>

#include <memory>

namespace pellomar {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Takes over a reference the caller already owns (a "transfer full" result).
template <typename T>
GObjectPtr<T> AdoptObject(T* object) {
  return GObjectPtr<T>(object);
}

// Adds a reference, for objects only borrowed from their owner.
template <typename T>
GObjectPtr<T> RetainObject(T* object) {
  return GObjectPtr<T>(static_cast<T*>(g_object_ref(object)));
}

struct GFreeDeleter {
  void operator()(gpointer memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GErrorDeleter {
  void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct GBytesDeleter {
  void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesDeleter>;

}  // namespace pellomar
