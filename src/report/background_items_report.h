#pragma once
// The system's background-items database as text and JSON: the store's status, the scopes seen, and one
// row per item with its sub-items indented below it.

#include <string>
#include <vector>

#include "corvane/discovery/background_items_store.h"
#include "model/json_value.h"

namespace corvane::report {

// "read (version 4, 2 files)", "partly read (...)", "no store found" and the like.
std::string backgroundItemStatusText(const BackgroundItemStoreStatus& status);
// "Background items in <store>", "Status: ..." and "Scopes seen: ..." lines.
std::string backgroundItemsHeading(const std::string& store, const BackgroundItemsLoadResult& result);
// The table: a heading row, then one row per item (NAME, IDENTIFIER, TYPE, STATE, SCOPE, PATH).
std::vector<std::vector<std::string>> backgroundItemRows(const BackgroundItemsLoadResult& result);

// {"records": [...], "status": `status`, "scopesSeen": [...]}.
json::Json backgroundItemsJSON(const BackgroundItemsLoadResult& result, json::Json status);

}  // namespace corvane::report
