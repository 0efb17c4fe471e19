#include "corvane/analysis/finding_sizes.h"

#include "corvane/platform/file_system.h"

namespace corvane {

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

}  // namespace corvane
