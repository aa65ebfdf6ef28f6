// Leak checking in the sanitizer build: the libraries under the window
// tests keep process-lifetime caches that they never release before exit
// (the engine's script contexts, the font configuration, the accessibility
// bus connection, and the accessibility bridge's strings when there is no
// such bus). Their allocation stacks are only complete with the slow
// unwinder, since those libraries have no frame pointers.
extern "C" {

const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

const char* __lsan_default_suppressions() {
  return "leak:libjavascriptcoregtk-4.1.so\n"
         "leak:libwebkit2gtk-4.1.so\n"
         "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n"
         "leak:libatspi.so\n"
         "leak:libatk-bridge-2.0.so\n"
         // cairo loses a few small arrays while it writes a PDF's font
         // subsets as the surface is finished.
         "leak:cairo_surface_finish\n";
}

}  // extern "C"
