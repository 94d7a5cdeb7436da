// AddressSanitizer settings of the fuzz targets, for speed: allocations are neither filled nor
// traced (a report still names the faulty access; run the artifact again with
// ASAN_OPTIONS=malloc_context_size=30 for where the memory came from), and a small quarantine
// reuses warm pages where the default one touches fresh memory on nearly every allocation.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=0:max_malloc_fill_size=0:quarantine_size_mb=4";
}
