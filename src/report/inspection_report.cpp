#include "report/inspection_report.h"

#include <ostream>

#include "corvane/analysis/finding_ids.h"

namespace corvane::report {

namespace {

json::Json receiptJSON(const PackageReceiptRecord& r) {
  json::Json j = json::Json::object();
  j["packageID"] = r.packageID;
  if (r.primaryPayloadAppPath) j["primaryPayloadAppPath"] = *r.primaryPayloadAppPath;
  return j;
}

std::string joinedOrNone(const std::vector<std::string>& items) {
  if (items.empty()) return "none";
  std::string out;
  for (const auto& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

}  // namespace

json::Json inspectionJSON(const AppInspection& i) {
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
  for (const auto& r : i.receipts) receipts.push_back(receiptJSON(r));

  json::Json j = json::Json::object();
  j["signature"] = std::move(signature);
  j["embedded"] = std::move(embedded);
  j["receipts"] = std::move(receipts);
  return j;
}

void printInspection(std::ostream& out, const AppInspection& i, const Layout& shown) {
  out << "App: " << i.app.name << "\n";
  out << "Location: " << FindingIDs::macStylePath(i.app.url.path(), shown) << "\n";
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

}  // namespace corvane::report
