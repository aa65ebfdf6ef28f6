// For the hostile tests that watch the user's files: the whole client, its
// web processes included, runs with HOME and the XDG folders inside a
// scratch folder of this test process's own, which the tests list.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string MakeScratchHome() {
  gchar* root = g_dir_make_tmp("pellomar-home-XXXXXX", nullptr);
  if (root == nullptr) return {};
  const std::string home = std::string(root) + "/home";
  g_free(root);
  std::filesystem::create_directories(home);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
  setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
  // The graphics driver's cache would outlive the folder in the engine's
  // processes that are still ending when the folder is removed.
  setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
  return home;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  // Before anything asks GLib where home is: it remembers the first answer.
  const std::string home = MakeScratchHome();
  if (home.empty()) {
    std::fprintf(stderr, "cannot make a scratch home folder\n");
    return 1;
  }
  g_set_prgname("com.pellomar.Pellomar");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "cannot open the X display (DISPLAY=%s)\n", g_getenv("DISPLAY"));
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  const std::filesystem::path root = std::filesystem::path(home).parent_path();
  if (result == 0) {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  } else {
    std::fprintf(stderr, "scratch home kept: %s\n", home.c_str());
  }
  return result;
}
