#pragma once
// Installer receipts in a sample Mac: root/var/db/receipts/<id>.plist (the receipt's facts, XML) and
// <id>.bom (the bill of materials listing the installed paths).

#include <cstddef>
#include <string>
#include <vector>

#include "sample_mac/bom_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane::testing {

struct ReceiptFiles {
  std::string plist;
  std::string bom;
};

// Writes the receipt of package `packageIdentifier` under `root` + "/var/db/receipts": a property list
// with PackageIdentifier, PackageVersion, InstallPrefixPath, InstallDate, InstallProcessName and
// PackageFileName, and a BOM listing `paths` (relative to the install prefix, folders above them added).
ReceiptFiles addReceipt(const std::string& root, const std::string& packageIdentifier, const std::string& version,
                        const std::string& installPrefix, const std::vector<std::string>& paths,
                        std::size_t entriesPerLeaf = kBomMaxEntriesPerNode);
ReceiptFiles addReceipt(const SampleMac& mac, const std::string& packageIdentifier, const std::string& version,
                        const std::string& installPrefix, const std::vector<std::string>& paths,
                        std::size_t entriesPerLeaf = kBomMaxEntriesPerNode);

}  // namespace corvane::testing
