#include "corvane/discovery/app_inspection.h"

#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/native_receipt_tools.h"
#include "corvane/discovery/package_receipt_inspector.h"
#include "corvane/discovery/signature_validator.h"

namespace corvane {

namespace {

std::vector<PackageReceiptRecord> matchingReceipts(const InstalledApplication& app, const Layout& layout) {
  std::shared_ptr<const CommandRunning> runner = receiptToolsRunner(layout);
  std::vector<std::string> ids = PackageReceiptInspector(runner).matchingReceipts(app.bundleIdentifier, app.name);
  if (ids.empty()) return {};
  std::vector<PackageReceiptRecord> catalog = PackageReceiptCatalog::load(Url::fileURL(layout.receipts()), *runner);
  std::vector<PackageReceiptRecord> receipts;
  for (const auto& id : ids) {
    PackageReceiptRecord record{id, std::nullopt};
    for (const auto& r : catalog)
      if (r.packageID == id) record = r;
    receipts.push_back(std::move(record));
  }
  return receipts;
}

}  // namespace

AppInspection inspectApp(const Layout& layout, const Url& appURL) {
  AppInspection i;
  i.app = AppDiscoveryService(layout).makeApplication(appURL);
  i.signature = SignatureValidator::inspect(appURL);
  i.embedded = EmbeddedComponentInspector::inspect(appURL);
  i.receipts = matchingReceipts(i.app, layout);
  return i;
}

}  // namespace corvane
