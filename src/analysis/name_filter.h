#pragma once
// The analyzer's cheap first look at an entry: whether its name alone rules it out.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "corvane/analysis/match_engine.h"
#include "corvane/base/url.h"
#include "corvane/model/app_identity.h"
#include "platform/unicode.h"

namespace corvane {

// Tells cheaply, from an entry's name alone, that it cannot become a finding in a location matched by
// identifier: it carries neither of the app's identifiers nor its name, so all it could earn is the
// location's own weight, which is below what a finding needs. Errs towards "may match": anything not plain
// ASCII, and every entry of a location whose own path already names the app, goes to the full evaluation.
class NameFilter {
 public:
  explicit NameFilter(const AppIdentity& identity) {
    for (const auto* id : {&identity.bundleIdentifier, &identity.signingIdentifier}) {
      if (!*id || (*id)->empty()) continue;
      if (!utf8IsAscii(**id)) everything_ = true;
      targets_.push_back(ascii::lowercased(**id));
    }
    const std::string name = MatchEngine::normalized(identity.name);
    if (platform::characterCount(name) >= MatchEngine::minimumNameLength) folded_ = name;
  }
  bool mayMatch(std::string_view name) const {
    if (everything_) return true;
    // The name in lower case, and its letters and digits alone, on the stack: this runs for every entry
    // walked. A Mac file name holds at most 255 bytes; anything longer goes to the full evaluation.
    char lowered[256], letters[256];
    if (name.size() > sizeof lowered) return true;
    std::size_t count = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
      const char c = ascii::lower(name[i]);
      if (static_cast<unsigned char>(c) >= 0x80) return true;
      lowered[i] = c;
      letters[count] = c;
      count += (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ? 1 : 0;
    }
    const std::string_view lower(lowered, name.size());
    for (const auto& t : targets_)
      if (lower.find(t) != std::string_view::npos) return true;
    return !folded_.empty() && std::string_view(letters, count).find(folded_) != std::string_view::npos;
  }
  bool mayMatchAnyComponent(const std::string& path) const {
    for (const auto& component : url::pathComponents(path))
      if (mayMatch(component)) return true;
    return false;
  }

 private:
  static bool utf8IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  }
  std::vector<std::string> targets_;
  std::string folded_;
  bool everything_ = false;
};

// Kinds whose items can earn more than their name gives: a container's recorded owner, a launch job's
// own definition.
inline bool judgedBeyondName(FindingKind kind, bool isFile) {
  return (kind == FindingKind::container && !isFile) || kind == FindingKind::launchAgent ||
         kind == FindingKind::launchDaemon;
}


}  // namespace corvane
