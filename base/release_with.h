// The one owning-handle deleter: a std::unique_ptr whose handle is released
// by its own library's function, once. Each part names the handles it holds
// as aliases of std::unique_ptr<T, ReleaseWith<fn>>.
#pragma once

namespace pellomar {

template <auto Release>
struct ReleaseWith {
  template <typename T>
  void operator()(T* handle) const {
    if (handle != nullptr) Release(handle);
  }
};

}  // namespace pellomar
