#include "corvane/discovery/package_receipt_inspector.h"

#include <algorithm>

#include "corvane/discovery/package_receipt_catalog.h"
#include "discovery/tool_output.h"
#include "platform/unicode.h"

namespace corvane {

namespace {

// A name shorter than this matches too many packages by accident ("Go" is in "com.google...").
constexpr std::size_t kMinimumNameCharacters = 4;

}  // namespace

PackageReceiptInspector::PackageReceiptInspector(std::shared_ptr<const CommandRunning> runner)
    : runner_(std::move(runner)) {}

std::vector<std::string> PackageReceiptInspector::matchingReceipts(const std::optional<std::string>& bundleIdentifier,
                                                                   const std::string& appName) const {
  if (!runner_) return {};
  std::optional<std::string> output = runner_->run(kPackageToolPath, {"--pkgs"});
  if (!output) return {};

  std::optional<std::string> id;
  if (bundleIdentifier) id = platform::lowercased(*bundleIdentifier);
  const std::string name = platform::foldedAlphanumerics(appName);
  const bool nameIsDistinctive = platform::characterCount(name) >= kMinimumNameCharacters;

  std::vector<std::string> taken;
  for (std::string& line : tool_output::nonEmptyLines(*output)) {
    bool matches = false;
    if (id) {
      std::string lower = platform::lowercased(line);
      matches = lower == *id || (lower.size() > id->size() && lower.starts_with(*id) && lower[id->size()] == '.');
    }
    if (!matches && nameIsDistinctive) matches = platform::foldedAlphanumerics(line).find(name) != std::string::npos;
    if (matches) taken.push_back(std::move(line));
  }
  std::sort(taken.begin(), taken.end());
  return taken;
}

}  // namespace corvane
