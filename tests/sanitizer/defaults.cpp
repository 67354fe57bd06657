// Linked into every program of a sanitizer build: reports stop the program,
// leaks are checked, and leaks inside third-party libraries are suppressed by
// the list kept beside this file (SORBELANE_LSAN_SUPPRESSIONS).
#include <dlfcn.h>

extern "C" {

const char *__asan_default_options() {
  return "detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0:"
         "allocator_may_return_null=1";
}

const char *__ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

const char *__lsan_default_options() {
  return "suppressions=" SORBELANE_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

}  // extern "C"

namespace {

// Mesa's software driver is unloaded at exit, before the leak check, so the
// blocks it keeps would be reported from an unknown module that no
// suppression can name. Pinning it (when present) keeps its name in the stacks.
__attribute__((constructor)) void pinMesaDriver() {
  dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
}

}  // namespace
