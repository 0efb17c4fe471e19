#include "corvane/trash/triage.h"

#include <algorithm>
#include <array>
#include <span>

#include "platform/unicode.h"

namespace corvane {
namespace {

using Names = std::span<const std::string_view>;

// Lower-case extensions and folder names of each kind.
constexpr std::string_view kInstallerExt[]{"dmg", "pkg", "mpkg", "iso"};
constexpr std::string_view kArchiveExt[]{"zip", "tar", "gz", "tgz", "bz2", "xz", "7z", "rar", "zst", "cpgz"};
constexpr std::string_view kImageExt[]{"png", "jpg", "jpeg", "gif", "heic", "heif", "tiff",
                                       "tif", "bmp", "webp", "svg", "raw",  "cr2",  "nef"};
constexpr std::string_view kVideoExt[]{"mov", "mp4", "m4v", "avi", "mkv", "webm", "mpg", "mpeg", "wmv"};
constexpr std::string_view kAudioExt[]{"mp3", "m4a", "wav", "aac", "flac", "aiff", "aif", "ogg", "opus"};
constexpr std::string_view kDocumentExt[]{"pdf",     "doc", "docx", "xls", "xlsx", "ppt",  "pptx", "pages",
                                          "numbers", "key", "txt",  "md",  "rtf",  "rtfd", "csv",  "epub"};
constexpr std::string_view kDeveloperExt[]{"o", "a", "xcresult", "dsym"};
constexpr std::string_view kDeveloperDirNames[]{"node_modules", "pods", "deriveddata", ".build",
                                                "__pycache__",  ".git", ".gradle",     "carthage"};
constexpr std::string_view kScreenshotPrefixes[]{"screenshot", "screen shot", "cleanshot"};

bool contains(Names names, std::string_view value) {
  return std::find(names.begin(), names.end(), value) != names.end();
}

struct ExtensionCategory {
  Names extensions;
  TrashCategory category;
};

const std::array<ExtensionCategory, 6> kByExtension{{
    {kInstallerExt, TrashCategory::installer},
    {kArchiveExt, TrashCategory::archive},
    {kImageExt, TrashCategory::image},
    {kVideoExt, TrashCategory::video},
    {kAudioExt, TrashCategory::audio},
    {kDocumentExt, TrashCategory::document},
}};

std::string_view withoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

struct StartScore {
  int score;
  std::optional<std::string> reason;
};

StartScore startScore(TrashCategory category) {
  switch (category) {
    case TrashCategory::installer: return {80, "Regenerable installer"};
    case TrashCategory::archive: return {80, "Regenerable archive"};
    case TrashCategory::developer: return {80, "Developer build output"};
    case TrashCategory::application: return {45, "Application"};
    case TrashCategory::screenshot: return {75, "Screenshot"};
    case TrashCategory::image:
    case TrashCategory::video:
    case TrashCategory::audio:
    case TrashCategory::document: return {30, "Personal " + platform::lowercased(triage::kindLabel(category))};
    case TrashCategory::folder:
    case TrashCategory::symlink:
    case TrashCategory::other: break;
  }
  return {50, std::nullopt};
}

constexpr int kMaxReasons = 3;
constexpr int kSafeToPurgeFrom = 66;
constexpr int kLikelyWantedUpTo = 40;
constexpr int kOldAfterDays = 30;

}  // namespace

namespace Categorizer {

std::string pathExtension(std::string_view name) {
  name = withoutTrailingSlashes(name);
  if (auto slash = name.rfind('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
  return std::string(name.substr(dot + 1));
}

TrashCategory categorize(std::string_view name, bool isDirectory, bool isSymlink) {
  if (isSymlink) return TrashCategory::symlink;
  const std::string ext = platform::lowercased(pathExtension(name));
  const std::string lname = platform::lowercased(name);
  if (ext == "app") return TrashCategory::application;
  if (isDirectory && contains(kDeveloperDirNames, lname)) return TrashCategory::developer;
  if (!ext.empty() && contains(kDeveloperExt, ext)) return TrashCategory::developer;
  if (contains(kImageExt, ext)) {
    for (auto prefix : kScreenshotPrefixes)
      if (startsWith(lname, prefix)) return TrashCategory::screenshot;
  }
  if (!ext.empty()) {
    for (const auto& entry : kByExtension)
      if (contains(entry.extensions, ext)) return entry.category;
  }
  return isDirectory ? TrashCategory::folder : TrashCategory::other;
}

}  // namespace Categorizer

namespace ConfidenceScorer {

std::optional<std::string> preciousLabel(std::string_view folder, std::string_view home) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kPrecious{{
      {"/Documents", "Documents"},
      {"/Desktop", "Desktop"},
      {"/Pictures", "Pictures"},
      {"/Movies", "Movies"},
      {"/Music", "Music"},
  }};
  folder = withoutTrailingSlashes(folder);
  home = withoutTrailingSlashes(home);
  if (folder == home) return "your Home folder";
  for (const auto& [suffix, label] : kPrecious) {
    const std::string precious = std::string(home) + std::string(suffix);
    if (folder == precious || startsWith(folder, precious + "/")) return std::string(label);
  }
  return std::nullopt;
}

Triage triage(TrashCategory category, const std::optional<std::string>& originFolder, std::string_view home,
              std::optional<Date> dateTrashed, Date now, const Calendar& calendar) {
  Triage result;
  auto [score, reason] = startScore(category);
  if (reason) result.reasons.push_back(*reason);
  if (originFolder) {
    if (auto label = preciousLabel(*originFolder, home)) {
      result.reasons.push_back("From " + *label);
      score -= 20;
    }
  }
  if (dateTrashed) {
    const int days = DateFormat::daysBetween(dateTrashed, now, calendar);
    if (days == 0 || days == 1) {
      result.reasons.push_back(days == 0 ? "Trashed today" : "Trashed yesterday");
      score -= 20;
    } else if (days >= kOldAfterDays) {
      result.reasons.push_back("Trashed over a month ago");
      score += 20;
    }
  }
  if (score < 0 || score <= kLikelyWantedUpTo)
    result.lane = TriageLane::likelyWanted;
  else if (score >= kSafeToPurgeFrom)
    result.lane = TriageLane::safeToPurge;
  else
    result.lane = TriageLane::review;
  if (result.reasons.size() > kMaxReasons) result.reasons.resize(kMaxReasons);
  result.score = score;
  return result;
}

}  // namespace ConfidenceScorer

}  // namespace corvane
