#pragma once
// The progress line of long scans, as the commands name it (report/scan_progress.h).

#include "report/scan_progress.h"

namespace corvane::cli {
using report::CountingFileSystem;
using report::ScanProgress;
}  // namespace corvane::cli
