// The window tests need the X display that scripts/test provides.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstring>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  g_set_prgname("com.pellomar.Pellomar");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "cannot open the X display (DISPLAY=%s)\n", g_getenv("DISPLAY"));
    return 1;
  }
  return RUN_ALL_TESTS();
}
