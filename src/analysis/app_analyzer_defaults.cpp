// The analyzer's collaborators on the real machine described by its layout.

#include "corvane/analysis/app_analyzer.h"
#include "corvane/discovery/embedded_component_inspector.h"
#include "corvane/discovery/native_receipt_tools.h"
#include "corvane/discovery/package_receipt_inspector.h"
#include "corvane/discovery/signature_validator.h"
#include "corvane/analysis/removal_permission.h"
#include "corvane/platform/file_system.h"
#include "platform/system_layout.h"

namespace corvane {

AppAnalyzer::AppAnalyzer() : AppAnalyzer(platform::systemLayout()) {}

AppAnalyzer::AppAnalyzer(Layout layoutValue, Collaborators c) : AppAnalyzer(std::move(layoutValue), std::move(c), Options{}) {}

AppAnalyzer::AppAnalyzer(Layout layoutValue, Collaborators c, Options optionsValue)
    : layout(std::move(layoutValue)),
      machine(std::move(c)),
      pluginDirectories(kDefaultPluginDirectories),
      systemExtensionExtensions{"kext", "dext", "systemextension"},
      options(optionsValue) {
  // Team and groups count as evidence only from a signature that holds.
  if (!machine.inspect) machine.inspect = &SignatureValidator::inspect;
  if (!machine.runningApplications) machine.runningApplications = &RunningApplications::list;
  if (!machine.now) machine.now = &date::now;
  if (!machine.fileSystem) machine.fileSystem = platform::sharedRealFileSystem();
  // Everything the analysis reads by default comes through the one file system.
  const std::shared_ptr<const platform::FileSystem> fs = machine.fileSystem;
  if (!machine.componentInspector) {
    machine.componentInspector = [fs](const Url& appURL) {
      EmbeddedComponentInspection inspection = EmbeddedComponentInspector::inspect(appURL, *fs);
      return ComponentFacts{std::move(inspection.evidence), std::move(inspection.identifiers)};
    };
  }
  if (!machine.requiresAdministrator) {
    machine.requiresAdministrator = [checks = FileAccessChecks::system()](const Url& url) {
      return RemovalPermission::requiresAdministrator(url, checks);
    };
  }
  if (!machine.loadSystemExtensions)
    machine.loadSystemExtensions = [fs](const Url& root) { return SystemExtensionCatalog::load(root, *fs); };
  if (!machine.receiptInspector) {
    machine.receiptInspector = [receipts = PackageReceiptInspector(receiptToolsRunner(layout, {}, fs))](
                                   const std::optional<std::string>& bundleIdentifier, const std::string& appName) {
      return receipts.matchingReceipts(bundleIdentifier, appName);
    };
  }
}

}  // namespace corvane
