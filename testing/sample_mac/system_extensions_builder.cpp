#include "sample_mac/system_extensions_builder.h"

#include <filesystem>
#include <utility>

#include "corvane/base/url.h"
#include "sample_mac/plist_writer.h"

namespace corvane::testing {

namespace {

std::string stagingRoot(const SampleMac& mac) { return mac.system("/Library/SystemExtensions"); }

std::string executableName(const std::string& bundleName) {
  auto dot = bundleName.rfind('.');
  return dot == std::string::npos || dot == 0 ? bundleName : bundleName.substr(0, dot);
}

}  // namespace

PropertyList systemExtensionEntry(const SampleSystemExtension& extension) {
  PlistDictionary entry;
  PlistArray categories;
  for (const auto& category : extension.categories) categories.emplace_back(category);
  entry.emplace_back("categories", std::move(categories));
  if (extension.bundlePath) {
    entry.emplace_back("container", PlistDictionary{{"bundlePath", PropertyList(*extension.bundlePath)},
                                                    {"bundleVersion", PropertyList(PlistDictionary{{"CFBundleVersion", "1"}})}});
  }
  entry.emplace_back("identifier", extension.identifier);
  PlistArray references;
  for (const auto& appIdentifier : extension.appIdentifiers) {
    PlistDictionary reference{{"appIdentifier", PropertyList(appIdentifier)}};
    if (extension.teamID) reference.emplace_back("teamID", *extension.teamID);
    references.emplace_back(std::move(reference));
  }
  entry.emplace_back("references", std::move(references));
  if (extension.uniqueID && !extension.stagedBundleName.empty()) {
    std::string staged = "/Library/SystemExtensions/" + *extension.uniqueID + "/" + extension.stagedBundleName + "/";
    entry.emplace_back("stagedBundleURL", PlistDictionary{{"relative", PropertyList(Url::fileURL(staged).absoluteString())}});
  }
  if (extension.state) entry.emplace_back("state", *extension.state);
  if (extension.teamID) entry.emplace_back("teamID", *extension.teamID);
  if (extension.uniqueID) entry.emplace_back("uniqueID", *extension.uniqueID);
  entry.emplace_back("version", PlistDictionary{{"CFBundleShortVersionString", "1.0"}, {"CFBundleVersion", "1"}});
  return PropertyList(std::move(entry));
}

std::string writeSystemExtensionsDatabase(const SampleMac& mac, const std::vector<PropertyList>& entries,
                                          DatabaseFormat format) {
  PlistDictionary top;
  top.emplace_back("bootUUID", "6C1D2A9E-3B4F-4A55-9E21-0F6B7C8D9E10");
  top.emplace_back("developerMode", false);
  top.emplace_back("extensionPolicies", PlistArray{});
  top.emplace_back("extensions", PlistArray(entries.begin(), entries.end()));
  PropertyList database(std::move(top));

  std::string path = stagingRoot(mac) + "/db.plist";
  if (format == DatabaseFormat::xml) return SampleMac::writeFile(path, writeXMLPlist(database));
  std::vector<std::uint8_t> bytes = writeBinaryPlist(database);
  return SampleMac::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string addStagedSystemExtension(const SampleMac& mac, const std::string& uniqueID, const std::string& bundleName,
                                     const std::string& bundleIdentifier) {
  std::string bundle = stagingRoot(mac) + "/" + uniqueID + "/" + bundleName;
  std::string executable = executableName(bundleName);
  SampleMac::writeFile(bundle + "/Contents/Info.plist",
                       xmlPlist({{"CFBundleIdentifier", bundleIdentifier},
                                 {"CFBundleExecutable", executable},
                                 {"CFBundlePackageType", "SYSX"}}));
  std::string binary = SampleMac::writeFile(bundle + "/Contents/MacOS/" + executable, "#!/bin/sh\nexit 0\n");
  std::filesystem::permissions(binary, std::filesystem::perms::owner_all);
  return bundle;
}

std::string addSystemExtensions(const SampleMac& mac, const std::vector<SampleSystemExtension>& extensions,
                                DatabaseFormat format) {
  std::vector<PropertyList> entries;
  for (const auto& extension : extensions) {
    entries.push_back(systemExtensionEntry(extension));
    if (extension.uniqueID && !extension.stagedBundleName.empty())
      addStagedSystemExtension(mac, *extension.uniqueID, extension.stagedBundleName, extension.identifier);
  }
  return writeSystemExtensionsDatabase(mac, entries, format);
}

}  // namespace corvane::testing
