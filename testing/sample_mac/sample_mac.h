#pragma once
// Builds Mac-like trees in a temporary folder: a root standing for "/" (Applications, Library, System,
// var/db/receipts, ...) and a user's home with its Library. Used by tests, the demo and the benchmarks.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace corvane::testing {

// A fresh folder under the system's temporary folder, removed with everything in it on destruction
// (write permission is restored first).
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::string& prefix = "corvane");
  // The same inside `parent` instead of the system's temporary folder.
  TemporaryFolder(const std::string& prefix, const std::string& parent);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  // Keeps the folder after destruction.
  void keep() { keep_ = true; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool keep_ = false;
};

// What an app bundle's Info.plist says.
struct BundleInfo {
  std::string name;                         // folder name without ".app" and CFBundleName
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> version;       // CFBundleShortVersionString
  std::optional<std::string> executable;    // CFBundleExecutable; defaults to name
  std::map<std::string, std::string> extraStrings;  // further string keys of Info.plist
};

class SampleMac {
 public:
  // Creates root/ and home/ inside `folder` with the usual skeleton.
  explicit SampleMac(std::string folder);

  const std::string& folder() const { return folder_; }
  std::string root() const { return folder_ + "/root"; }
  std::string home() const { return folder_ + "/home"; }
  // root + path (path starts with "/").
  std::string system(const std::string& path) const { return root() + path; }
  // home + "/" + relative.
  std::string user(const std::string& relative) const { return home() + "/" + relative; }

  // Writes an app bundle at `parent` + "/" + name + ".app" with Contents/Info.plist (XML) and an
  // executable under Contents/MacOS; returns the bundle's path.
  std::string addApp(const std::string& parent, const BundleInfo& info) const;
  // The same under root/Applications.
  std::string addApp(const BundleInfo& info) const { return addApp(system("/Applications"), info); }

  // Writes a file (parents created) with the given contents; returns its path.
  static std::string writeFile(const std::string& path, const std::string& contents = "x");
  // Creates a folder with its parents; returns its path.
  static std::string makeFolder(const std::string& path);
  // A file's bytes (empty when it cannot be read).
  static std::string readFile(const std::string& path);
  // The names in a folder, hidden ones included.
  static std::set<std::string> entryNames(const std::string& folder);

 private:
  std::string folder_;
};

// An XML property list holding a dictionary of string values.
std::string xmlPlist(const std::map<std::string, std::string>& strings);

}  // namespace corvane::testing
