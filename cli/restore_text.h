#pragma once
// The restore's text and JSON for the Trash's put-back, which the report layer renders.

#include <ostream>

#include "report/restore_report.h"

namespace corvane::cli {

using RestoreItemReport = RestoreItemResult;

inline std::string restoreJSON(const std::vector<RestoreItemReport>& items,
                               const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                               std::size_t notInTrash) {
  return json::pretty(report::restoreJSON(items, services, summary, notInTrash));
}
inline void printRestore(std::ostream& out, const std::vector<RestoreItemReport>& items,
                         const std::vector<BackgroundServiceRestoreOutcome>& services, const std::string& summary,
                         const Layout& shown) {
  out << report::restoreText(items, services, summary, shown);
}

}  // namespace corvane::cli
