#include "corvane/discovery/homebrew_inspector.h"

#include <utility>

#include "discovery/tool_output.h"
#include "platform/unicode.h"
#include "base/utf8.h"

namespace corvane {

namespace {

// Blanks and tabs only: the line breaks are already gone.
std::string_view trimmedBlanksAndTabs(std::string_view line) {
  std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = line.find_last_not_of(" \t");
  return line.substr(first, last - first + 1);
}

}  // namespace

HomebrewInspector::HomebrewInspector(std::shared_ptr<const CommandRunning> runner, std::vector<std::string> brewPaths)
    : runner_(std::move(runner)), brewPaths_(std::move(brewPaths)) {}

std::string HomebrewInspector::normalize(std::string_view text) {
  std::string out;
  for (char32_t scalar : utf8::decode(platform::lowercased(text))) {
    if (platform::isAlphanumericScalar(scalar)) utf8::append(out, scalar);
  }
  return out;
}

std::vector<std::string> HomebrewInspector::installedCaskTokens() const {
  if (!runner_) return {};
  std::optional<std::string> output;
  for (const std::string& brew : brewPaths_) {
    output = runner_->run(brew, {"list", "--cask"});
    if (output) break;
  }
  if (!output) return {};

  std::vector<std::string> tokens;
  for (const std::string& line : tool_output::nonEmptyLines(*output)) {
    std::string_view token = trimmedBlanksAndTabs(line);
    if (!token.empty()) tokens.emplace_back(token);
  }
  return tokens;
}

std::optional<std::string> HomebrewInspector::matchingCaskToken(std::string_view appName,
                                                                const std::vector<std::string>& caskTokens) {
  std::string wanted = normalize(appName);
  if (wanted.empty()) return std::nullopt;
  for (const std::string& token : caskTokens) {
    if (normalize(token) == wanted) return token;
  }
  return std::nullopt;
}

std::optional<std::string> HomebrewInspector::caskToken(std::string_view appName) const {
  return matchingCaskToken(appName, installedCaskTokens());
}

HomebrewCaskUninstallResult HomebrewInspector::uninstallCask(std::string_view token) const {
  std::string trimmed = tool_output::trimmedWhitespaceAndNewlines(token);
  if (trimmed.empty()) return {false, std::string(noTokenMessage)};
  if (runner_) {
    for (const std::string& brew : brewPaths_) {
      CommandOutcome outcome = runner_->runWithStatus(brew, {"uninstall", "--cask", "--force", trimmed});
      if (outcome.status == -1) continue;  // nothing could be launched there
      return {outcome.status == 0, std::move(outcome.output)};
    }
  }
  return {false, std::string(notFoundMessage)};
}

}  // namespace corvane
