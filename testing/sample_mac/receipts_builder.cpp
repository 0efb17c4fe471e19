#include "sample_mac/receipts_builder.h"

#include "corvane/formats/property_list.h"
#include "sample_mac/plist_writer.h"

namespace corvane::testing {

namespace {

// 2024-01-01 00:00:00 UTC: every sample receipt was installed then.
constexpr double kInstallDate = 725760000;

}  // namespace

ReceiptFiles addReceipt(const std::string& root, const std::string& packageIdentifier, const std::string& version,
                        const std::string& installPrefix, const std::vector<std::string>& paths,
                        std::size_t entriesPerLeaf) {
  const std::string folder = root + "/var/db/receipts/";
  PlistDictionary receipt{
      {"InstallDate", PlistDate{kInstallDate}},
      {"InstallPrefixPath", installPrefix},
      {"InstallProcessName", "installer"},
      {"PackageFileName", packageIdentifier + ".pkg"},
      {"PackageIdentifier", packageIdentifier},
      {"PackageVersion", version},
  };
  ReceiptFiles files;
  files.plist = SampleMac::writeFile(folder + packageIdentifier + ".plist", writeXMLPlist(receipt));
  files.bom = writeBom(folder + packageIdentifier + ".bom", paths, entriesPerLeaf);
  return files;
}

ReceiptFiles addReceipt(const SampleMac& mac, const std::string& packageIdentifier, const std::string& version,
                        const std::string& installPrefix, const std::vector<std::string>& paths,
                        std::size_t entriesPerLeaf) {
  return addReceipt(mac.root(), packageIdentifier, version, installPrefix, paths, entriesPerLeaf);
}

}  // namespace corvane::testing
