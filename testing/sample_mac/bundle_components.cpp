#include "sample_mac/bundle_components.h"

#include <filesystem>

#include "sample_mac/plist_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane::testing {

namespace {

std::string writePlist(const std::string& path, const PropertyList& plist, PlistFormat format) {
  if (format == PlistFormat::xml) return SampleMac::writeFile(path, writeXMLPlist(plist));
  std::vector<std::uint8_t> bytes = writeBinaryPlist(plist);
  return SampleMac::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace

std::string addNestedBundle(const std::string& appBundle, const std::string& relativeFolder,
                            const std::string& fileName, const std::optional<std::string>& bundleIdentifier) {
  std::string path = appBundle + "/" + relativeFolder + "/" + fileName;
  SampleMac::makeFolder(path + "/Contents");
  if (bundleIdentifier) {
    PlistDictionary info = {{"CFBundleIdentifier", PropertyList(*bundleIdentifier)}};
    SampleMac::writeFile(path + "/Contents/Info.plist", writeXMLPlist(PropertyList(info)));
  }
  return path;
}

std::string addLaunchAgentDefinition(const std::string& appBundle, const std::string& fileName,
                                     const PropertyList& definition, PlistFormat format) {
  return writePlist(appBundle + "/" + kLaunchAgentsFolder + "/" + fileName, definition, format);
}

PropertyList launchAgentDefinition(const std::string& label) {
  PlistArray arguments = {PropertyList("/usr/bin/true")};
  PlistDictionary definition = {{"Label", PropertyList(label)}, {"ProgramArguments", PropertyList(arguments)}};
  return PropertyList(definition);
}

std::string addFramework(const std::string& path, const std::string& bundleIdentifier) {
  namespace fs = std::filesystem;
  std::string name = fs::path(path).stem().string();
  PlistDictionary info = {{"CFBundleIdentifier", PropertyList(bundleIdentifier)},
                          {"CFBundlePackageType", PropertyList("FMWK")}};
  SampleMac::writeFile(path + "/Versions/A/Resources/Info.plist", writeXMLPlist(PropertyList(info)));
  SampleMac::writeFile(path + "/Versions/A/" + name, "framework binary");
  fs::create_directory_symlink("A", path + "/Versions/Current");
  fs::create_directory_symlink("Versions/Current/Resources", path + "/Resources");
  fs::create_symlink("Versions/Current/" + name, path + "/" + name);
  return path;
}

std::string writeInfoPlist(const std::string& bundle, const PropertyList& info, PlistFormat format) {
  return writePlist(bundle + "/Contents/Info.plist", info, format);
}

}  // namespace corvane::testing
