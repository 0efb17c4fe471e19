#include "discovery/bundle_reader.h"

#include <deque>
#include <vector>

#include "platform/format_files.h"

namespace corvane::bundle {

namespace {

std::deque<std::string> components(const std::string& path) {
  std::deque<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string joined(const std::string& root, const std::vector<std::string>& parts) {
  std::string path = root;
  for (const auto& part : parts) path += "/" + part;
  return path;
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// A folder, or a link leading to one.
bool isFolder(const platform::FileSystem& fs, const std::string& path) {
  auto real = fs.realPath(path);
  if (!real.has_value()) return false;
  auto st = fs.linkStatus(*real);
  return st.has_value() && st->type() == platform::FileType::directory;
}

// The folder (relative to the bundle) that holds the information list and the localized resources.
struct Places {
  std::string infoPlist;
  std::string resources;
};

std::optional<Places> places(const platform::FileSystem& fs, const std::string& bundle) {
  if (!isFolder(fs, bundle)) return std::nullopt;
  if (auto contents = resolveInside(fs, bundle, "Contents"); contents && isFolder(fs, *contents))
    return Places{"Contents/Info.plist", "Contents/Resources"};
  if (auto resources = resolveInside(fs, bundle, "Resources"); resources && isFolder(fs, *resources))
    return Places{"Resources/Info.plist", "Resources"};
  return Places{"Info.plist", ""};
}

bool isPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

std::optional<std::string> resolveInside(const platform::FileSystem& fs, const std::string& root,
                                         const std::string& relative) {
  std::deque<std::string> pending = components(relative);
  std::vector<std::string> resolved;
  int links = 0;
  while (!pending.empty()) {
    std::string part = std::move(pending.front());
    pending.pop_front();
    if (part == ".") continue;
    if (part == "..") {
      if (resolved.empty()) return std::nullopt;
      resolved.pop_back();
      continue;
    }
    resolved.push_back(std::move(part));
    const std::string path = joined(root, resolved);
    auto st = fs.linkStatus(path);
    if (!st.has_value()) return std::nullopt;
    if (st->type() != platform::FileType::symlink) continue;
    auto target = fs.readLink(path);
    if (++links > kMaxLinksInsideBundle || !target.has_value() || target->empty() || target->size() > kMaxLinkTargetBytes ||
        target->front() == '/')
      return std::nullopt;
    resolved.pop_back();
    std::deque<std::string> targetParts = components(*target);
    pending.insert(pending.begin(), targetParts.begin(), targetParts.end());
  }
  return joined(root, resolved);
}

std::optional<PropertyList> infoDictionary(const platform::FileSystem& fs, const std::string& bundlePath) {
  const std::string bundle = withoutTrailingSlashes(bundlePath);
  auto where = places(fs, bundle);
  if (!where) return std::nullopt;
  auto listPath = resolveInside(fs, bundle, where->infoPlist);
  if (!listPath) return std::nullopt;
  PlistLimits limits;
  limits.maxBytes = kMaxInfoPlistBytes;
  auto parsed = plist::readFile(fs, *listPath, limits);
  if (!parsed.has_value() || !parsed.value().asDictionary()) return std::nullopt;
  return std::move(parsed.value());
}

std::optional<std::string> identifier(const platform::FileSystem& fs, const std::string& bundlePath) {
  auto info = infoDictionary(fs, bundlePath);
  if (!info) return std::nullopt;
  return info->string("CFBundleIdentifier");
}

strings::StringsTable localizedInfoStrings(const platform::FileSystem& fs, const std::string& bundlePath,
                                           const PropertyList& info) {
  const std::string bundle = withoutTrailingSlashes(bundlePath);
  auto where = places(fs, bundle);
  if (!where) return {};
  std::vector<std::string> localizations(std::begin(kPreferredLocalizations), std::end(kPreferredLocalizations));
  if (auto region = info.string("CFBundleDevelopmentRegion"); region && isPlainName(*region))
    localizations.push_back(*region);
  const std::string folder = where->resources.empty() ? "" : where->resources + "/";
  for (const auto& localization : localizations) {
    auto path = resolveInside(fs, bundle, folder + localization + ".lproj/InfoPlist.strings");
    if (!path) continue;
    // The first localization that has the file is the one used, even when the file cannot be read.
    auto bytes = fs.readFile(*path, strings::kMaxStringsFileBytes);
    if (!bytes.has_value()) return {};
    return strings::parse(bytes.value()).value_or(strings::StringsTable{});
  }
  return {};
}

}  // namespace corvane::bundle
