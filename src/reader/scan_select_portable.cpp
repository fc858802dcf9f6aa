// CPUs without a vector kernel scan with the scalar one.
#include "scanner.h"

namespace lintrow {

bool use_scan_path(ScanPath path) { return path == ScanPath::Best || path == ScanPath::Scalar; }

ScanPath scan_path() { return ScanPath::Scalar; }

ScanKernel active_kernel() { return scan_scalar; }

}  // namespace lintrow
