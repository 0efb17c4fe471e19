#include "corvane/history/background_service_restorer.h"

#include "corvane/discovery/launchd_label.h"
#include "platform/directory.h"
#include "platform/format_files.h"

namespace corvane {

namespace {

const PropertyList* lookup(const PlistDictionary& dictionary, std::string_view key) {
  for (const auto& [name, value] : dictionary)
    if (name == key) return &value;
  return nullptr;
}

bool isAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

}  // namespace

BackgroundServiceRestorer::BackgroundServiceRestorer(const CommandRunning& runner, std::uint32_t uid,
                                                     Url homeDirectory, ReadPlist readPlist, FileExists fileExists)
    : runner_(runner),
      uid_(uid),
      homeDirectory_(std::move(homeDirectory)),
      readPlist_(readPlist ? std::move(readPlist) : ReadPlist(&BackgroundServiceRestorer::readPlistFromDisk)),
      fileExists_(fileExists ? std::move(fileExists) : FileExists(&platform::itemExists)) {}

std::optional<std::string> BackgroundServiceRestorer::program(const PlistDictionary& plist) {
  if (const PropertyList* program = lookup(plist, "Program"); program != nullptr && program->asString() != nullptr) {
    const std::string& text = *program->asString();
    return isAbsolute(text) ? std::optional(text) : std::nullopt;
  }
  const PropertyList* arguments = lookup(plist, "ProgramArguments");
  if (arguments == nullptr || arguments->asArray() == nullptr || arguments->asArray()->empty()) return std::nullopt;
  for (const auto& element : *arguments->asArray())
    if (element.asString() == nullptr) return std::nullopt;
  const std::string& first = *arguments->asArray()->front().asString();
  return isAbsolute(first) ? std::optional(first) : std::nullopt;
}

std::optional<PlistDictionary> BackgroundServiceRestorer::readPlistFromDisk(const std::string& path) {
  PlistLimits limits;
  limits.maxBytes = kMaxDefinitionBytes;
  auto parsed = plist::readFile(path, limits);
  if (!parsed.has_value() || parsed.value().asDictionary() == nullptr) return std::nullopt;
  return *parsed.value().asDictionary();
}

std::vector<BackgroundServiceRestoreOutcome> BackgroundServiceRestorer::restoreJobs(
    const std::vector<UninstallRecord>& records, const std::set<std::string>& restoredPaths) const {
  const std::string agents = url::standardizedPath(homeDirectory_.path() + "/Library/LaunchAgents");
  const std::string domain = "gui/" + std::to_string(uid_);
  std::set<std::string> handled;
  std::vector<BackgroundServiceRestoreOutcome> outcomes;

  for (const auto& record : records) {
    std::vector<std::string> labels;
    if (record.backgroundServiceOperations)
      for (const auto& operation : *record.backgroundServiceOperations)
        if (operation.wasRegistered) labels.push_back(operation.serviceIdentifier);
    if (labels.empty()) continue;

    std::vector<std::string> plists;
    for (const auto& operation : record.operations) {
      if (!operation.succeeded || operation.originalURL.pathExtension() != "plist") continue;
      std::string path = operation.originalURL.standardized().path();
      if (restoredPaths.count(path) == 0) continue;
      if (Url::fileURL(path).deletingLastPathComponent().path() != agents) continue;
      plists.push_back(std::move(path));
    }

    for (const auto& label : labels) {
      if (handled.count(label) != 0 || !LaunchdLabel::isValid(label)) continue;
      const std::string* definition = nullptr;
      for (const auto& path : plists) {
        auto plist = readPlist_(path);
        const PropertyList* found = plist ? lookup(*plist, "Label") : nullptr;
        if (found != nullptr && found->asString() != nullptr && *found->asString() == label) {
          definition = &path;
          break;
        }
      }
      if (definition == nullptr) continue;
      // Read again: the program must be back as well, or the service stays off.
      auto plist = readPlist_(*definition);
      auto executable = plist ? program(*plist) : std::nullopt;
      if (!executable || !fileExists_(*executable)) continue;

      handled.insert(label);
      const std::string target = domain + "/" + label;
      BackgroundServiceRestoreOutcome outcome{label, *definition, false, false};
      outcome.enabled = runner_.runWithStatus(kLaunchctl, {"enable", target}).status == 0;
      outcome.loaded = runner_.runWithStatus(kLaunchctl, {"print", target}).status == 0 ||
                       runner_.runWithStatus(kLaunchctl, {"bootstrap", domain, *definition}).status == 0;
      outcomes.push_back(std::move(outcome));
    }
  }
  return outcomes;
}

}  // namespace corvane
