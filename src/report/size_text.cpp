#include "report/size_text.h"

#include <algorithm>
#include <cstdio>

namespace corvane::report {

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

json::Json findingsJSON(const std::vector<FileFinding>& findings, const FindingSizes& sizes) {
  json::Json doc = json::encode(findings);
  for (auto& finding : doc) {
    auto total = sizes.find(finding["id"].get<std::string>());
    finding["sizeBytes"] = total == sizes.end() ? json::Json() : json::Json(total->second.allocatedBytes);
    finding["sizeAtLeast"] = total == sizes.end() || total->second.atLeast;
  }
  return doc;
}

}  // namespace corvane::report
