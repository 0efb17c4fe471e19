// The analyzer's collaborators on the real machine described by its layout.

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/embedded_component_inspector.h"
#include "corvane/discovery/native_receipt_tools.h"
#include "corvane/discovery/package_receipt_inspector.h"
#include "corvane/analysis/removal_permission.h"
#include "platform/system_layout.h"

namespace corvane {

AppAnalyzer::AppAnalyzer() : AppAnalyzer(platform::systemLayout()) {}

AppAnalyzer::AppAnalyzer(Layout layoutValue)
    : inspect(&SignatureInspector::inspect),
      pluginDirectories(kDefaultPluginDirectories),
      systemExtensionExtensions{"kext", "dext", "systemextension"},
      layout(std::move(layoutValue)),
      runningApplications(&RunningApplications::list),
      now(&date::now) {
  componentInspector = [](const Url& appURL) {
    EmbeddedComponentInspection inspection = EmbeddedComponentInspector::inspect(appURL);
    return ComponentFacts{std::move(inspection.evidence), std::move(inspection.identifiers)};
  };
  requiresAdministrator = [checks = FileAccessChecks::system()](const Url& url) {
    return RemovalPermission::requiresAdministrator(url, checks);
  };
  loadSystemExtensions = [](const Url& systemExtensionsRoot) { return SystemExtensionCatalog::load(systemExtensionsRoot); };
  receiptInspector = [receipts = PackageReceiptInspector(receiptToolsRunner(layout))](
                         const std::optional<std::string>& bundleIdentifier, const std::string& appName) {
    return receipts.matchingReceipts(bundleIdentifier, appName);
  };
}

}  // namespace corvane
