// The analyzer's collaborators on the real machine described by its layout.

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/embedded_component_inspector.h"
#include "corvane/discovery/native_receipt_tools.h"
#include "corvane/discovery/package_receipt_inspector.h"
#include "corvane/analysis/removal_permission.h"
#include "platform/file_system.h"
#include "platform/system_layout.h"

namespace corvane {

AppAnalyzer::AppAnalyzer() : AppAnalyzer(platform::systemLayout()) {}

AppAnalyzer::AppAnalyzer(Layout layoutValue, Collaborators c)
    : layout(std::move(layoutValue)),
      inspect(c.inspect ? std::move(c.inspect) : &SignatureInspector::inspect),
      receiptInspector(std::move(c.receiptInspector)),
      componentInspector(std::move(c.componentInspector)),
      runningApplications(c.runningApplications ? std::move(c.runningApplications) : &RunningApplications::list),
      requiresAdministrator(std::move(c.requiresAdministrator)),
      loadSystemExtensions(std::move(c.loadSystemExtensions)),
      now(c.now ? std::move(c.now) : &date::now),
      fileSystem(c.fileSystem ? std::move(c.fileSystem) : platform::sharedRealFileSystem()),
      pluginDirectories(kDefaultPluginDirectories),
      systemExtensionExtensions{"kext", "dext", "systemextension"} {
  if (!componentInspector) {
    componentInspector = [](const Url& appURL) {
      EmbeddedComponentInspection inspection = EmbeddedComponentInspector::inspect(appURL);
      return ComponentFacts{std::move(inspection.evidence), std::move(inspection.identifiers)};
    };
  }
  if (!requiresAdministrator) {
    requiresAdministrator = [checks = FileAccessChecks::system()](const Url& url) {
      return RemovalPermission::requiresAdministrator(url, checks);
    };
  }
  if (!loadSystemExtensions)
    loadSystemExtensions = [](const Url& root) { return SystemExtensionCatalog::load(root); };
  if (!receiptInspector) {
    receiptInspector = [receipts = PackageReceiptInspector(receiptToolsRunner(layout))](
                           const std::optional<std::string>& bundleIdentifier, const std::string& appName) {
      return receipts.matchingReceipts(bundleIdentifier, appName);
    };
  }
}

}  // namespace corvane
