// GLib allocates its quark table while its shared library initialises and,
// once GStreamer's plugins outgrow it, replaces it without freeing the old
// one (readers take no lock); LeakSanitizer reports that block at exit. Only
// leaks allocated from within library initialisation are suppressed. (Leaked
// pipelines are caught by GstMediaDevice::LivePipelines instead: idle
// GStreamer threads keep stale pointers that hide them from LeakSanitizer.)
// Matching the initialiser needs
// slow unwinding for allocations (GLib is built without frame pointers);
// eight frames reach the initialiser and keep the cost down.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:_dl_init\n";
}
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0:malloc_context_size=8";
}
