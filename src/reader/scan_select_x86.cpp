// Picks the line scanner on x86 CPUs from what the CPU runs.
#include "scanner.h"

namespace lintrow {
namespace {
constinit ScanPath chosen_path = ScanPath::Best;
}  // namespace

bool use_scan_path(ScanPath path) {
    __builtin_cpu_init();  // no C runtime start-up code may have run it
    if (path == ScanPath::Best) {
        path = __builtin_cpu_supports("avx2") ? ScanPath::Avx2
               : __builtin_cpu_supports("sse2") ? ScanPath::Sse2
                                                 : ScanPath::Scalar;
    }
    LineScanner scanner = next_line_scalar;
    switch (path) {
        case ScanPath::Avx2:
            if (!__builtin_cpu_supports("avx2")) return false;
            scanner = next_line_avx2;
            break;
        case ScanPath::Sse2:
            if (!__builtin_cpu_supports("sse2")) return false;
            scanner = next_line_sse2;
            break;
        case ScanPath::Best:
        case ScanPath::Scalar: break;
    }
    active_line_scanner = scanner;
    chosen_path = path;
    return true;
}

ScanPath scan_path() {
    if (chosen_path == ScanPath::Best) use_scan_path(ScanPath::Best);
    return chosen_path;
}

}  // namespace lintrow
