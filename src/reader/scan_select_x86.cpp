// Picks the line scanner on x86 CPUs from what the CPU runs.
#include "scanner.h"

namespace lintrow {
// The AVX2 path is also compiled for the POPCNT and BMI1 instructions that
// every AVX2 CPU has; they are checked all the same.
bool runs_avx2() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi");
}

bool use_scan_path(ScanPath path) {
    __builtin_cpu_init();  // no C runtime start-up code may have run it
    if (path == ScanPath::Best) {
        path = runs_avx2()                        ? ScanPath::Avx2
               : __builtin_cpu_supports("sse2") ? ScanPath::Sse2
                                                 : ScanPath::Scalar;
    }
    LineScanner scanner = next_line_scalar;
    FieldCounter counter = count_fields_scalar;
    FieldIndexer indexer = index_fields_scalar;
    switch (path) {
        case ScanPath::Avx2:
            if (!runs_avx2()) return false;
            scanner = next_line_avx2;
            counter = count_fields_avx2;
            indexer = index_fields_avx2;
            break;
        case ScanPath::Sse2:
            if (!__builtin_cpu_supports("sse2")) return false;
            scanner = next_line_sse2;
            break;
        case ScanPath::Neon: return false;
        case ScanPath::Best:
        case ScanPath::Scalar: break;
    }
    active_field_counter = counter;
    active_field_indexer = indexer;
    active_line_scanner = scanner;
    chosen_scan_path = path;
    return true;
}

}  // namespace lintrow
