# Sourced by the sanitizer scripts: configures the build folder for ASan + UBSan (+ libFuzzer
# hooks) with clang, and sets the run-time options every sanitized program is run with.
# A report stops the program with a non-zero exit (UBSan included); leaks are reported except
# those the suppression file names, which all belong to system libraries.

sanitizer_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
symbolizer="$(command -v llvm-symbolizer || command -v llvm-symbolizer-14 || true)"

# intercept_tls_get_addr=0: clang 14's run-time misreads the dynamic TLS blocks of glibc 2.36 (a
# bogus range such as 0x899-0x18000199b), and the leak checker's thread then crashes at exit
# ("LeakSanitizer has encountered a fatal error") after GL tests whose driver threads used TLS.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:detect_odr_violation=2:intercept_tls_get_addr=0${symbolizer:+:external_symbolizer_path=$symbolizer}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:report_error_type=1${symbolizer:+:external_symbolizer_path=$symbolizer}"
export LSAN_OPTIONS="suppressions=$sanitizer_dir/lsan.supp:print_suppressions=0"

# configure_sanitize_build DIR: one folder for the sanitized tests and the fuzz targets.
configure_sanitize_build() {
  CC=clang CXX=clang++ cmake -S "$sanitizer_dir/../.." -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDEMO_SANITIZE=ON -DDEMO_FUZZ=ON -DDEMO_BENCH=OFF >/dev/null
}
