#include "corvane/discovery/embedded_component_inspector.h"

#include <array>
#include <set>

#include "discovery/bundle_reader.h"
#include "corvane/platform/file_system.h"
#include "platform/format_files.h"

namespace corvane {

namespace {

// Launch-agent definitions larger than this are not read.
constexpr std::size_t kMaxAgentDefinitionBytes = 1u << 20;
// How many names an explanation spells out before "and N more".
constexpr std::size_t kNamesShown = 4;

struct ComponentFolder {
  const char* relativePath;
  const char* word;
  bool takesIdentifiers;
};

constexpr std::array<ComponentFolder, 4> kComponentFolders = {{
    {"Contents/Library/LoginItems", "login item", true},
    {"Contents/PlugIns", "extension or plug-in", false},
    {"Contents/Library/SystemExtensions", "system extension", false},
    {"Contents/Library/LaunchServices", "helper", false},
}};

std::string joined(const std::vector<std::string>& parts, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count && i < parts.size(); ++i) {
    if (i > 0) out += ", ";
    out += parts[i];
  }
  return out;
}

std::string componentExplanation(const std::vector<std::string>& names, const char* word) {
  const std::size_t n = names.size();
  std::string shown = joined(names, kNamesShown);
  if (n > kNamesShown) shown += ", and " + std::to_string(n - kNamesShown) + " more";
  return "The app bundle contains " + std::to_string(n) + " " + word + " component" + (n == 1 ? "" : "s") +
         ": " + shown + ". These are contained inside the selected app bundle.";
}

std::string agentExplanation(const std::vector<std::string>& labels) {
  const std::size_t m = labels.size();
  return "The app bundle declares " + std::to_string(m) + " user launch agent" + (m == 1 ? "" : "s") + ": " +
         joined(labels, m) + ".";
}

// The extension after the last "." of a file name that does not start with it.
std::string extensionOf(const std::string& name) {
  auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return {};
  return name.substr(dot + 1);
}

std::optional<std::string> agentLabel(const platform::FileSystem& fs, const std::string& path) {
  PlistLimits limits;
  limits.maxBytes = kMaxAgentDefinitionBytes;
  auto parsed = plist::readFile(fs, path, limits);
  if (!parsed.has_value() || !parsed.value().asDictionary()) return std::nullopt;
  return parsed.value().string("Label");
}

// The names in a folder in name order, hidden ones left out; none when it cannot be listed.
std::optional<std::vector<std::string>> visibleNames(const platform::FileSystem& fs, const std::string& folder) {
  auto listing = fs.list(folder, {.skipHidden = true, .sorted = true});
  if (!listing.has_value()) return std::nullopt;
  std::vector<std::string> names;
  for (auto& entry : listing->entries) names.push_back(std::move(entry.name));
  return names;
}

}  // namespace

EmbeddedComponentInspection EmbeddedComponentInspector::inspect(const Url& appURL, const platform::FileSystem& fs) {
  EmbeddedComponentInspection inspection;
  std::set<std::string> identifiers;
  const std::string bundle = appURL.path();

  for (const auto& folder : kComponentFolders) {
    const std::string folderPath = bundle + "/" + folder.relativePath;
    auto names = visibleNames(fs, folderPath);
    if (!names || names->empty()) continue;
    inspection.evidence.emplace_back(EvidenceKind::embeddedComponent, componentExplanation(*names, folder.word), 0);
    if (!folder.takesIdentifiers) continue;
    for (const auto& name : *names)
      if (auto id = bundle::identifier(fs, folderPath + "/" + name)) identifiers.insert(*id);
  }

  const std::string agentsPath = bundle + "/Contents/Library/LaunchAgents";
  if (auto names = visibleNames(fs, agentsPath)) {
    std::vector<std::string> labels;
    for (const auto& name : *names) {
      if (extensionOf(name) != "plist") continue;
      if (auto label = agentLabel(fs, agentsPath + "/" + name)) labels.push_back(*label);
    }
    identifiers.insert(labels.begin(), labels.end());
    if (!labels.empty())
      inspection.evidence.emplace_back(EvidenceKind::embeddedComponent, agentExplanation(labels), 0);
  }

  inspection.identifiers.assign(identifiers.begin(), identifiers.end());
  return inspection;
}

}  // namespace corvane
