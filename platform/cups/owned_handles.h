// Owning pointers for the CUPS, cairo and Pango handles of this folder, each
// released by its own library's function, once (GObjects are GObjectPtr).
#pragma once

#include <cairo.h>
#include <cups/cups.h>
#include <glib-object.h>
#include <pango/pango.h>

#include <memory>
#include <string>

#include "base/release_with.h"
#include "platform/gtk/glib_handles.h"

namespace pellomar {

struct FreeOneDest {
  void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};

using OwnedHttp = std::unique_ptr<http_t, ReleaseWith<httpClose>>;
using OwnedDest = std::unique_ptr<cups_dest_t, FreeOneDest>;
using OwnedDestInfo = std::unique_ptr<cups_dinfo_t, ReleaseWith<cupsFreeDestInfo>>;

// A job's options, freed with cupsFreeOptions.
class OwnedOptions {
 public:
  OwnedOptions() = default;
  OwnedOptions(const OwnedOptions&) = delete;
  OwnedOptions& operator=(const OwnedOptions&) = delete;
  ~OwnedOptions() { cupsFreeOptions(count_, options_); }

  void Add(const char* name, const std::string& value) {
    count_ = cupsAddOption(name, value.c_str(), count_, &options_);
  }
  int count() const { return count_; }
  cups_option_t* get() const { return options_; }

 private:
  int count_ = 0;
  cups_option_t* options_ = nullptr;
};

using OwnedCairoSurface = std::unique_ptr<cairo_surface_t, ReleaseWith<cairo_surface_destroy>>;
using OwnedCairo = std::unique_ptr<cairo_t, ReleaseWith<cairo_destroy>>;
using OwnedFontOptions =
    std::unique_ptr<cairo_font_options_t, ReleaseWith<cairo_font_options_destroy>>;
using OwnedFontDescription =
    std::unique_ptr<PangoFontDescription, ReleaseWith<pango_font_description_free>>;
using OwnedFontMetrics = std::unique_ptr<PangoFontMetrics, ReleaseWith<pango_font_metrics_unref>>;
using OwnedAttrList = std::unique_ptr<PangoAttrList, ReleaseWith<pango_attr_list_unref>>;

}  // namespace pellomar
