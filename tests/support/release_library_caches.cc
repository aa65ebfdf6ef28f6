// Releases the font caches the receipt renderer, cairo and fontconfig keep
// for the life of the process, once the tests are over, so that the leak
// checker reports only what the code under test left behind.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include "platform/cups/receipt_pdf.h"

namespace {

class ReleaseLibraryCaches : public ::testing::Environment {
 public:
  void TearDown() override {
    pellomar::ReleaseReceiptFonts();  // first: it holds faces in cairo's caches
    cairo_debug_reset_static_data();
    FcFini();
  }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new ReleaseLibraryCaches);

}  // namespace
