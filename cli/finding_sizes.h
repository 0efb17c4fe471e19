#pragma once
// The findings' sizes for the commands: rolled up by the library, written by the report layer, and what an
// uninstall freed kept beside the history.

#include <optional>
#include <string>

#include "corvane/analysis/finding_sizes.h"
#include "corvane/history/history_facts.h"
#include "report/size_text.h"

namespace corvane::cli {

using report::findingsJSON;
using report::formatFindingTotal;
using report::formatTotal;

inline std::string freedSizesPath(const std::string& historyFile) {
  return HistoryFacts::sideFilePath(historyFile, "sizes");
}
inline void rememberFreed(const std::string& historyFile, const std::string& recordID, const SizeTotal& freed) {
  if (auto id = Uuid::parse(recordID))
    (void)HistoryFacts(HistoryFileManager::system(), Url::fileURL(historyFile)).rememberFreed(*id, freed);
}

}  // namespace corvane::cli
