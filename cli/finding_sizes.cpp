#include "cli/finding_sizes.h"

#include <cstdio>

#include "cli/history_side_file.h"
#include "corvane/platform/file_system.h"

namespace corvane::cli {

FindingSizes rollUpFindingSizes(const std::vector<FileFinding>& findings, SizeProgressCallback progress) {
  std::vector<std::string> paths;
  paths.reserve(findings.size());
  for (const auto& f : findings) paths.push_back(f.url.path());
  SizeRollupOptions options;
  options.progress = std::move(progress);
  SizeRollup rollup = rollUpSizes(platform::realFileSystem(), paths, options);
  FindingSizes sizes;
  for (std::size_t i = 0; i < findings.size(); ++i)
    if (rollup.totals[i]) sizes[findings[i].id.toString()] = *rollup.totals[i];
  return sizes;
}

SizeTotal totalOf(const std::vector<const FileFinding*>& findings, const FindingSizes& sizes) {
  SizeTotal total;
  for (const auto* f : findings) {
    auto it = sizes.find(f->id.toString());
    if (it != sizes.end())
      total += it->second;
    else
      total.atLeast = true;
  }
  return total;
}

std::string formatTotal(const SizeTotal& total) {
  const std::string prefix = total.atLeast ? "≥ " : "";
  const std::int64_t bytes = total.allocatedBytes;
  if (bytes <= 0) return prefix + "Zero KB";
  char buf[32];
  if (bytes < 999'500) {
    std::snprintf(buf, sizeof buf, "%lld KB", static_cast<long long>(std::max<std::int64_t>(1, (bytes + 500) / 1000)));
    return prefix + buf;
  }
  const char* units[] = {"MB", "GB", "TB", "PB"};
  double value = static_cast<double>(bytes) / 1e6;
  int unit = 0;
  while (value >= 999.95 && unit < 3) {
    value /= 1000;
    ++unit;
  }
  std::snprintf(buf, sizeof buf, "%.1f %s", value, units[unit]);
  return prefix + buf;
}

std::string formatFindingTotal(const FileFinding& finding, const FindingSizes& sizes) {
  auto it = sizes.find(finding.id.toString());
  return it == sizes.end() ? "-" : formatTotal(it->second);
}

std::string freedSizesPath(const std::string& historyFile) { return sideFilePath(historyFile, "sizes"); }

void rememberFreed(const std::string& historyFile, const std::string& recordID, const SizeTotal& freed) {
  (void)editSideFile(historyFile, "sizes", [&](nlohmann::json& doc) {
    doc[recordID] = {{"allocatedBytes", freed.allocatedBytes}, {"atLeast", freed.atLeast}};
  });
}

std::optional<SizeTotal> recalledFreed(const std::string& historyFile, const std::string& recordID) {
  nlohmann::json doc = readSideFile(historyFile, "sizes");
  auto it = doc.find(recordID);
  if (it == doc.end() || !it->is_object()) return std::nullopt;
  auto bytes = it->find("allocatedBytes");
  auto atLeast = it->find("atLeast");
  if (bytes == it->end() || !bytes->is_number_integer() || atLeast == it->end() || !atLeast->is_boolean())
    return std::nullopt;
  return SizeTotal{bytes->get<std::int64_t>(), 0, atLeast->get<bool>()};
}

json::Json findingsJSON(const std::vector<FileFinding>& findings, const FindingSizes& sizes) {
  json::Json doc = json::encode(findings);
  for (auto& finding : doc) {
    auto total = sizes.find(finding["id"].get<std::string>());
    finding["sizeBytes"] = total == sizes.end() ? json::Json() : json::Json(total->second.allocatedBytes);
    finding["sizeAtLeast"] = total == sizes.end() || total->second.atLeast;
  }
  return doc;
}

}  // namespace corvane::cli
