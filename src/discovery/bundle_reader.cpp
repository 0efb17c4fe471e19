#include "discovery/bundle_reader.h"

#include "platform/file_status.h"

namespace corvane::bundle {

namespace {

bool isFolder(const std::string& path) {
  auto st = platform::status(path);
  return st && st->type() == platform::FileType::directory;
}

}  // namespace

std::optional<PropertyList> infoDictionary(const std::string& bundlePath) {
  if (!isFolder(bundlePath)) return std::nullopt;
  std::string base = bundlePath;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string listPath = isFolder(base + "/Contents") ? base + "/Contents/Info.plist" : base + "/Info.plist";
  PlistLimits limits;
  limits.maxBytes = kMaxInfoPlistBytes;
  auto parsed = plist::readFile(listPath, limits);
  if (!parsed.has_value() || !parsed.value().asDictionary()) return std::nullopt;
  return std::move(parsed.value());
}

std::optional<std::string> identifier(const std::string& bundlePath) {
  auto info = infoDictionary(bundlePath);
  if (!info) return std::nullopt;
  return info->string("CFBundleIdentifier");
}

}  // namespace corvane::bundle
