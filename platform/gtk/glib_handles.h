// Owning handles for GLib and GObject values, used by the program, the demo
// service, the tests and the benchmarks alike.
#pragma once

#include <glib-object.h>
#include <glib.h>

#include <memory>

#include "base/release_with.h"

namespace pellomar {

template <typename T>
using GObjectPtr = std::unique_ptr<T, ReleaseWith<g_object_unref>>;
using GCharPtr = std::unique_ptr<char, ReleaseWith<g_free>>;
using GErrorPtr = std::unique_ptr<GError, ReleaseWith<g_error_free>>;
using GBytesPtr = std::unique_ptr<GBytes, ReleaseWith<g_bytes_unref>>;
using GHashTablePtr = std::unique_ptr<GHashTable, ReleaseWith<g_hash_table_unref>>;
using GMainLoopPtr = std::unique_ptr<GMainLoop, ReleaseWith<g_main_loop_unref>>;

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

}  // namespace pellomar
