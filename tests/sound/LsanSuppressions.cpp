// GLib allocates a table while its shared library initialises and keeps it
// for the life of the process; LeakSanitizer reports it at exit. Only leaks
// allocated from within library initialisation are suppressed, so a leak of
// the player's own GStreamer objects still fails the run. Matching that needs
// full stacks for allocations (GLib is built without frame pointers).
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
