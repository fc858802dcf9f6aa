// Picks the line scanner on ARM64 CPUs. NEON is part of every ARM64 CPU, so
// the NEON path needs no run-time test.
#include "scanner.h"

namespace lintrow {

bool use_scan_path(ScanPath path) {
    if (path == ScanPath::Best) path = ScanPath::Neon;
    switch (path) {
        case ScanPath::Neon:
            active_field_counter = count_fields_neon;
            active_field_indexer = index_fields_neon;
            active_line_scanner = next_line_neon;
            break;
        case ScanPath::Scalar:
            active_field_counter = count_fields_scalar;
            active_field_indexer = index_fields_scalar;
            active_line_scanner = next_line_scalar;
            break;
        default: return false;
    }
    chosen_scan_path = path;
    return true;
}

}  // namespace lintrow
