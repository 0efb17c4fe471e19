#include "corvane/analysis/running_applications.h"

#include <algorithm>

#include "discovery/bundle_reader.h"
#include "platform/processes.h"

namespace corvane::RunningApplications {

std::optional<Url> bundleOfExecutable(std::string_view executablePath) {
  constexpr std::string_view kMarker = "/Contents/MacOS/";
  auto at = executablePath.rfind(kMarker);
  if (at == std::string_view::npos || at == 0) return std::nullopt;
  std::string_view bundle = executablePath.substr(0, at);
  auto slash = bundle.rfind('/');
  std::string_view name = slash == std::string_view::npos ? bundle : bundle.substr(slash + 1);
  if (name.size() <= 4) return std::nullopt;
  std::string extension(name.substr(name.size() - 4));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  if (extension != ".app") return std::nullopt;
  return Url::fileURL(std::string(bundle));
}

std::vector<RunningApplication> list() {
  std::vector<RunningApplication> apps;
  for (const auto& exe : platform::runningExecutablePaths()) {
    auto bundleURL = bundleOfExecutable(exe);
    if (!bundleURL) continue;
    bool seen = std::any_of(apps.begin(), apps.end(), [&](const RunningApplication& a) { return a.bundleURL == bundleURL; });
    if (seen) continue;
    apps.push_back(RunningApplication{bundleURL, bundle::identifier(platform::realFileSystem(), bundleURL->path())});
  }
  return apps;
}

}  // namespace corvane::RunningApplications
