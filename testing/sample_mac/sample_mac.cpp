#include "sample_mac/sample_mac.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace corvane::testing {

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder(const std::string& prefix) : TemporaryFolder(prefix, fs::temp_directory_path()) {}

TemporaryFolder::TemporaryFolder(const std::string& prefix, const std::string& parent) {
  std::string pattern = (fs::path(parent) / (prefix + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  // Resolved once, so that paths the system hands back resolved (macOS: /var is a link to /private/var)
  // compare equal to the ones tests build.
  std::error_code ec;
  fs::path resolved = fs::canonical(pattern, ec);
  path_ = ec ? pattern : resolved.string();
}

TemporaryFolder::~TemporaryFolder() {
  if (keep_) return;
  std::error_code ec;
  // Restore write permission everywhere first so that read-only folders can be emptied.
  for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string xmlPlist(const std::map<std::string, std::string>& strings) {
  auto escape = [](const std::string& s) {
    std::string out;
    for (char c : s) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out.push_back(c);
      }
    }
    return out;
  };
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<dict>\n";
  for (const auto& [key, value] : strings)
    text += "\t<key>" + escape(key) + "</key>\n\t<string>" + escape(value) + "</string>\n";
  text += "</dict>\n</plist>\n";
  return text;
}

SampleMac::SampleMac(std::string folder) : folder_(std::move(folder)) {
  for (const char* p : {"/Applications", "/System/Applications", "/Library/Application Support", "/Library/Caches",
                        "/Library/Preferences", "/Library/LaunchAgents", "/Library/LaunchDaemons",
                        "/Library/PrivilegedHelperTools", "/Library/Logs", "/var/db/receipts", "/Volumes"})
    makeFolder(system(p));
  for (const char* p : {"Library/Application Support", "Library/Caches", "Library/Preferences", "Library/Containers",
                        "Library/Group Containers", "Library/Saved Application State", "Library/Logs",
                        "Library/LaunchAgents", "Library/HTTPStorages", "Library/WebKit", ".Trash"})
    makeFolder(user(p));
}

std::string SampleMac::writeFile(const std::string& path, const std::string& contents) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string SampleMac::readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> SampleMac::entryNames(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

std::string SampleMac::makeFolder(const std::string& path) {
  fs::create_directories(path);
  return path;
}

std::string SampleMac::addApp(const std::string& parent, const BundleInfo& info) const {
  std::string bundle = parent + "/" + info.name + ".app";
  std::map<std::string, std::string> keys = info.extraStrings;
  keys["CFBundleName"] = info.name;
  std::string executable = info.executable.value_or(info.name);
  keys["CFBundleExecutable"] = executable;
  keys["CFBundlePackageType"] = "APPL";
  if (info.bundleIdentifier) keys["CFBundleIdentifier"] = *info.bundleIdentifier;
  if (info.version) keys["CFBundleShortVersionString"] = *info.version;
  writeFile(bundle + "/Contents/Info.plist", xmlPlist(keys));
  std::string exe = writeFile(bundle + "/Contents/MacOS/" + executable, "#!/bin/sh\nexit 0\n");
  fs::permissions(exe, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  return bundle;
}

}  // namespace corvane::testing
