# Every library the project builds on, found once here. Included from the top
# directory, so the imported targets are visible in every folder below it.
find_package(PkgConfig REQUIRED)
find_package(GTest REQUIRED)
include(GoogleTest)
find_package(ICU 70 REQUIRED COMPONENTS uc i18n)

if(PELLOMAR_PLATFORM)
  pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
  pkg_check_modules(WEBKIT REQUIRED IMPORTED_TARGET webkit2gtk-4.1)
  pkg_check_modules(SOUP3 REQUIRED IMPORTED_TARGET libsoup-3.0)
  pkg_check_modules(PANGOCAIRO REQUIRED IMPORTED_TARGET pangocairo cairo-pdf)
  # The receipt's glyphs are drawn from subsets of its font made in memory.
  pkg_check_modules(FONT_SUBSET REQUIRED IMPORTED_TARGET harfbuzz-subset freetype2 cairo-ft pangoft2)
  pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
  pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
  find_package(Cups REQUIRED)
  # libpaper (the system paper size) has no pkg-config file.
  find_path(PAPER_INCLUDE_DIR paper.h REQUIRED)
  find_library(PAPER_LIBRARY paper REQUIRED)
  find_package(benchmark REQUIRED)
  find_program(GLIB_COMPILE_RESOURCES glib-compile-resources REQUIRED)
endif()
