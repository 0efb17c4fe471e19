#pragma once
// The uninstall history as text: one line per uninstall, and one uninstall in detail with what it freed and
// the restores done from it.

#include <optional>
#include <string>
#include <vector>

#include "corvane/analysis/size_rollup.h"
#include "corvane/history/history_facts.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"

namespace corvane::report {

// "3 uninstalls", "1 finding".
std::string countOf(std::size_t n, const char* one, const char* many);

// "<date> · <app> · 2 items moved to the Trash · <id>" per record; "The history is empty." for none.
std::string historyListText(const std::vector<UninstallRecord>& records);

// The record's identity, location (shown for `shown`), items, services and analyses; "Freed: ..." when
// `freed` is known, and a "Restored: <date>: <summary>" line per restore.
std::string historyRecordText(const UninstallRecord& record, const std::optional<SizeTotal>& freed,
                              const std::vector<RestoreNote>& restores, const Layout& shown);

}  // namespace corvane::report
