// CPUs without a vector scanner scan with the portable one.
#include "scanner.h"

namespace lintrow {

bool use_scan_path(ScanPath path) {
    if (path != ScanPath::Best && path != ScanPath::Scalar) return false;
    active_field_counter = count_fields_scalar;
    active_field_indexer = index_fields_scalar;
    active_line_scanner = next_line_scalar;
    chosen_scan_path = ScanPath::Scalar;
    return true;
}

}  // namespace lintrow
