#include "corvane/history/history_facts.h"

#include <nlohmann/json.hpp>

namespace corvane {

namespace {

nlohmann::json readObject(const HistoryFileManager& fileManager, const std::string& path) {
  auto text = fileManager.readFile(path);
  if (!text.has_value() || text->size() > kMaxHistoryFactsBytes) return nlohmann::json::object();
  auto doc = nlohmann::json::parse(*text, nullptr, /*allow_exceptions=*/false);
  return doc.is_object() ? doc : nlohmann::json::object();
}

}  // namespace

HistoryFacts::HistoryFacts(HistoryFileManager fileManager, Url historyURL)
    : fileManager_(std::move(fileManager)), historyFile_(historyURL.path()) {}

std::string HistoryFacts::sideFilePath(const std::string& historyFile, const std::string& kind) {
  return historyFile + "." + kind + ".json";
}

template <class Edit>
Status HistoryFacts::edit(const std::string& kind, Edit change) {
  std::shared_ptr<void> lock;
  if (fileManager_.lock) {
    auto locked = fileManager_.lock(historyFile_);
    if (!locked.has_value()) return locked.error();
    lock = std::move(locked).value();
  }
  const std::string path = sideFilePath(historyFile_, kind);
  nlohmann::json doc = readObject(fileManager_, path);
  change(doc);
  return fileManager_.writeAtomically(path, doc.dump(2) + "\n");
}

std::optional<SizeTotal> HistoryFacts::freed(const Uuid& record) const {
  const nlohmann::json doc = readObject(fileManager_, sideFilePath(historyFile_, "sizes"));
  auto it = doc.find(record.toString());
  if (it == doc.end() || !it->is_object()) return std::nullopt;
  auto bytes = it->find("allocatedBytes");
  auto atLeast = it->find("atLeast");
  if (bytes == it->end() || !bytes->is_number_integer() || atLeast == it->end() || !atLeast->is_boolean())
    return std::nullopt;
  return SizeTotal{bytes->get<std::int64_t>(), 0, atLeast->get<bool>()};
}

Status HistoryFacts::rememberFreed(const Uuid& record, const SizeTotal& freed) {
  return edit("sizes", [&](nlohmann::json& doc) {
    doc[record.toString()] = {{"allocatedBytes", freed.allocatedBytes}, {"atLeast", freed.atLeast}};
  });
}

std::vector<RestoreNote> HistoryFacts::restores(const Uuid& record) const {
  const nlohmann::json doc = readObject(fileManager_, sideFilePath(historyFile_, "restores"));
  std::vector<RestoreNote> notes;
  auto list = doc.find(record.toString());
  if (list == doc.end() || !list->is_array()) return notes;
  for (const auto& entry : *list) {
    if (!entry.is_object()) continue;
    auto at = entry.find("restoredAt");
    auto summary = entry.find("summary");
    if (at == entry.end() || !at->is_string() || summary == entry.end() || !summary->is_string()) continue;
    auto date = date::parseISO8601(at->get<std::string>());
    if (!date) continue;
    RestoreNote note{*date, summary->get<std::string>(), {}};
    if (auto paths = entry.find("restoredPaths"); paths != entry.end() && paths->is_array())
      for (const auto& path : *paths)
        if (path.is_string()) note.restoredPaths.push_back(path.get<std::string>());
    notes.push_back(std::move(note));
  }
  return notes;
}

Status HistoryFacts::rememberRestore(const Uuid& record, const RestoreNote& note) {
  return edit("restores", [&](nlohmann::json& doc) {
    nlohmann::json& list = doc[record.toString()];
    if (!list.is_array()) list = nlohmann::json::array();
    list.push_back({{"restoredAt", date::iso8601(note.restoredAt)},
                    {"summary", note.summary},
                    {"restoredPaths", note.restoredPaths}});
  });
}

}  // namespace corvane
