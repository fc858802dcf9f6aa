// Picks the scanner kernel on x86 CPUs, once, from what the CPU runs.
#include "scanner.h"

namespace lintrow {
namespace {
constinit ScanKernel chosen_kernel = nullptr;
constinit ScanPath chosen_path = ScanPath::Scalar;
}  // namespace

bool use_scan_path(ScanPath path) {
    __builtin_cpu_init();  // no C runtime start-up code may have run it
    if (path == ScanPath::Best) {
        path = __builtin_cpu_supports("avx2") ? ScanPath::Avx2
               : __builtin_cpu_supports("sse2") ? ScanPath::Sse2
                                                 : ScanPath::Scalar;
    }
    ScanKernel kernel = scan_scalar;
    switch (path) {
        case ScanPath::Avx2:
            if (!__builtin_cpu_supports("avx2")) return false;
            kernel = scan_avx2;
            break;
        case ScanPath::Sse2:
            if (!__builtin_cpu_supports("sse2")) return false;
            kernel = scan_sse2;
            break;
        case ScanPath::Best:
        case ScanPath::Scalar: break;
    }
    chosen_kernel = kernel;
    chosen_path = path;
    return true;
}

ScanPath scan_path() {
    active_kernel();
    return chosen_path;
}

ScanKernel active_kernel() {
    if (chosen_kernel == nullptr) use_scan_path(ScanPath::Best);
    return chosen_kernel;
}

}  // namespace lintrow
