// Releases the font caches cairo and fontconfig keep for the life of the
// process, once the tests are over, so that the leak checker reports only
// what the code under test left behind.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

namespace {

class ReleaseLibraryCaches : public ::testing::Environment {
 public:
  void TearDown() override {
    cairo_debug_reset_static_data();
    FcFini();
  }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new ReleaseLibraryCaches);

}  // namespace
