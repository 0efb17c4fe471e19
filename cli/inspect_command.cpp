// corvane inspect APP: what an app bundle says about itself: its code signature, the components it
// carries inside, and the installer receipts that belong to it.

#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "report/json_dialect.h"
#include "cli/snapshot_text.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/embedded_component_inspector.h"
#include "corvane/discovery/native_receipt_tools.h"
#include "corvane/discovery/package_receipt_catalog.h"
#include "corvane/discovery/package_receipt_inspector.h"
#include "corvane/discovery/signature_validator.h"
#include "model/json_value.h"

namespace corvane::cli {

namespace {

struct Inspection {
  InstalledApplication app;
  SignatureFacts signature;
  EmbeddedComponentInspection embedded;
  std::vector<PackageReceiptRecord> receipts;
};

// The receipts whose package identifiers match the app, each with its catalog record when the catalog
// has one (the system's own packages are not in the catalog and come without an application path).
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

json::Json encodeReceipt(const PackageReceiptRecord& r) {
  json::Json j = json::Json::object();
  j["packageID"] = r.packageID;
  if (r.primaryPayloadAppPath) j["primaryPayloadAppPath"] = *r.primaryPayloadAppPath;
  return j;
}

json::Json encode(const Inspection& i) {
  json::Json signature = json::Json::object();
  if (i.signature.signingIdentifier) signature["signingIdentifier"] = *i.signature.signingIdentifier;
  if (i.signature.teamIdentifier) signature["teamIdentifier"] = *i.signature.teamIdentifier;
  signature["applicationGroups"] = i.signature.applicationGroups;
  if (i.signature.validationProblem) signature["validationProblem"] = *i.signature.validationProblem;

  json::Json evidence = json::Json::array();
  for (const auto& e : i.embedded.evidence) evidence.push_back(json::encode(e));
  json::Json embedded = json::Json::object();
  embedded["evidence"] = std::move(evidence);
  embedded["identifiers"] = i.embedded.identifiers;

  json::Json receipts = json::Json::array();
  for (const auto& r : i.receipts) receipts.push_back(encodeReceipt(r));

  json::Json j = json::Json::object();
  j["signature"] = std::move(signature);
  j["embedded"] = std::move(embedded);
  j["receipts"] = std::move(receipts);
  return j;
}

std::string joinedOrNone(const std::vector<std::string>& items) {
  if (items.empty()) return "none";
  std::string out;
  for (const auto& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

void printText(std::ostream& out, const Inspection& i, const Layout& shown) {
  out << "App: " << i.app.name << "\n";
  out << "Location: " << displayPath(i.app.url, shown) << "\n";
  out << "Bundle identifier: " << i.app.bundleIdentifier.value_or("none") << "\n";
  out << "Version: " << i.app.version.value_or("none") << "\n";
  out << "\nSignature\n";
  out << "  Signing identifier: " << i.signature.signingIdentifier.value_or("none") << "\n";
  out << "  Team identifier: " << i.signature.teamIdentifier.value_or("none") << "\n";
  out << "  Application groups: " << joinedOrNone(i.signature.applicationGroups) << "\n";
  if (i.signature.validationProblem) out << "  Does not hold: " << *i.signature.validationProblem << "\n";
  out << "\nEmbedded components\n";
  if (i.embedded.evidence.empty()) out << "  none\n";
  for (const auto& e : i.embedded.evidence) out << "  " << e.explanation << "\n";
  out << "  Identifiers: " << joinedOrNone(i.embedded.identifiers) << "\n";
  out << "\nInstaller receipts\n";
  if (i.receipts.empty()) out << "  none\n";
  for (const auto& r : i.receipts) {
    out << "  " << r.packageID;
    if (r.primaryPayloadAppPath) out << " -> " << *r.primaryPayloadAppPath;
    out << "\n";
  }
}

int inspect(const ParsedArguments& args, Context& context) {
  const std::string& path = args.positional[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(path, ec)) {
    context.err << "corvane inspect: no application bundle at " << args.positional[0] << "\n";
    return kExitFailure;
  }
  Url appURL = Url::fileURL(path).standardized();
  Inspection i;
  i.app = AppDiscoveryService(context.layout).makeApplication(appURL);
  i.signature = SignatureValidator::inspect(appURL);
  i.embedded = EmbeddedComponentInspector::inspect(appURL);
  i.receipts = matchingReceipts(i.app, context.layout);

  if (args.has("--json")) {
    report::printJSON(context.out, encode(i));
  } else {
    printText(context.out, i, context.shown());
  }
  return kExitOK;
}

}  // namespace

Command inspectCommand() {
  Command c;
  c.name = "inspect";
  c.usage = "inspect APP [--json]";
  c.summary = "Shows an app bundle's code signature, the components inside it and its installer receipts.";
  c.options.flags = {"--json"};
  c.options.minPositional = 1;
  c.options.maxPositional = 1;
  c.options.positionalPaths = true;
  c.options.appArgument = true;
  c.options.layout = true;
  c.run = inspect;
  c.operand = Operand::app;
  c.optionDocs = {{"--json", "", "prints the bundle, its signature, components and receipts as JSON; see docs/json.md", {}}};
  return c;
}

}  // namespace corvane::cli
