#pragma once
// Facts the tool keeps beside the history file, by record id, so that the records' own form stays as it
// is: what an uninstall freed ("<history file>.sizes.json"), when it was restored ("...restores.json").
// Each side file is a JSON object rewritten whole, under the history's own writers' lock.

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

namespace corvane::cli {

// "<history file>.<kind>.json".
std::string sideFilePath(const std::string& historyFile, const std::string& kind);

// The side file's object; empty when it is missing, unreadable or not an object.
nlohmann::json readSideFile(const std::string& historyFile, const std::string& kind);

// Reads the side file under the writers' lock, lets `edit` change it and writes it back atomically.
// False when the lock or the write failed: a lost side file only loses what the tool shows from it.
bool editSideFile(const std::string& historyFile, const std::string& kind,
                  const std::function<void(nlohmann::json&)>& edit);

}  // namespace corvane::cli
