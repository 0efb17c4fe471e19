#include "report/snapshot_text.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>

#include "corvane/analysis/finding_ids.h"
#include "report/size_text.h"

namespace corvane::report {

std::string formatSize(const std::optional<std::int64_t>& bytes) {
  if (!bytes) return "-";
  const char* units[] = {"B", "KB", "MB", "GB", "TB"};
  double value = static_cast<double>(*bytes);
  int unit = 0;
  while (value >= 1000 && unit < 4) {
    value /= 1000;
    ++unit;
  }
  char buf[32];
  if (unit == 0)
    std::snprintf(buf, sizeof buf, "%lld B", static_cast<long long>(*bytes));
  else
    std::snprintf(buf, sizeof buf, "%.1f %s", value, units[unit]);
  return buf;
}

std::string displayPath(const Url& url, const Layout& layout) { return FindingIDs::macStylePath(url.path(), layout); }

namespace {

std::string padded(std::string_view text, std::size_t width) {
  std::string s(text);
  // Pad by characters, not bytes, so that names with accents line up.
  std::size_t chars = 0;
  for (unsigned char c : s) chars += (c & 0xC0) != 0x80;
  if (chars < width) s.append(width - chars, ' ');
  return s;
}

void printRow(std::ostream& out, const FileFinding& f, const Layout& layout, bool explain, bool withTier,
              const FindingSizes* sizes, bool colour = false) {
  out << "  " << FindingIDs::shortForm(f.id) << "  ";
  // Padded by the plain name, so that coloured and plain columns line up alike.
  if (withTier)
    out << tierName(f.confidence, colour) << padded("", 18 - std::min<std::size_t>(18, stringValue(f.confidence).size()));
  char score[8];
  std::snprintf(score, sizeof score, "%3d", f.score);
  out << score << "  " << padded(stringValue(f.kind), 26) << padded(sizes ? formatFindingTotal(f, *sizes) : formatSize(f.byteCount), 10) << "  "
      << displayPath(f.url, layout);
  if (!f.isSelectable()) out << "  (not selectable)";
  out << "\n";
  if (!explain) return;
  for (const auto& e : f.evidence) {
    char weight[8];
    std::snprintf(weight, sizeof weight, "%+4d", e.weight);
    out << "        " << weight << "  " << e.explanation << "\n";
  }
}

std::vector<const FileFinding*> inTier(const std::vector<FileFinding>& findings, FindingConfidence tier) {
  std::vector<const FileFinding*> found;
  for (const auto& f : findings)
    if (f.confidence == tier) found.push_back(&f);
  return found;
}

void printHeading(std::ostream& out, FindingConfidence tier, const std::vector<const FileFinding*>& findings,
                  const FindingSizes* sizes, bool colour = false) {
  out << tierName(tier, colour) << " (" << findings.size() << ")";
  if (sizes) out << " · " << formatTotal(totalOf(findings, *sizes));
  out << "\n";
}

}  // namespace

void printFindings(std::ostream& out, const std::vector<FileFinding>& findings, const Layout& layout, bool explain,
                   const FindingSizes* sizes, bool colour) {
  for (const auto& f : findings) printRow(out, f, layout, explain, true, sizes, colour);
}

void printFindingsByTier(std::ostream& out, const std::vector<FileFinding>& findings, const Layout& layout,
                         bool explain, const FindingSizes* sizes) {
  for (auto tier : kAllFindingConfidences) {
    auto found = inTier(findings, tier);
    if (found.empty()) continue;
    out << "\n";
    printHeading(out, tier, found, sizes);
    for (const auto* f : found) printRow(out, *f, layout, explain, false, sizes);
  }
}

void printTierTotals(std::ostream& out, const std::vector<FileFinding>& findings, const FindingSizes& sizes,
                     bool colour) {
  for (auto tier : kAllFindingConfidences)
    if (auto found = inTier(findings, tier); !found.empty()) printHeading(out, tier, found, &sizes, colour);
}

void printSnapshotHeader(std::ostream& out, const AnalysisSnapshot& s, const Layout& layout) {
  out << s.identity.name;
  if (s.identity.bundleIdentifier) out << " (" << *s.identity.bundleIdentifier << ")";
  out << "  " << displayPath(s.appURL, layout) << "\n";
  if (s.identity.signingIdentifier || s.identity.teamIdentifier) {
    out << "Signed as " << s.identity.signingIdentifier.value_or("(no identifier)");
    if (s.identity.teamIdentifier) out << " · team " << *s.identity.teamIdentifier;
    out << "\n";
  }
  if (!s.identity.packageReceipts.empty()) {
    out << "Installer receipts:";
    for (const auto& r : s.identity.packageReceipts) out << " " << r;
    out << "\n";
  }
  if (!s.identity.serviceIdentifiers().empty()) {
    out << "Background services:";
    for (const auto& id : s.identity.serviceIdentifiers()) out << " " << id;
    out << "\n";
  }
  if (s.isApplicationRunning) out << "The application is running: everything is held In Use until you quit it.\n";
  std::size_t selectable = 0;
  for (const auto& f : s.findings) selectable += f.isSelectable();
  out << s.findings.size() << (s.findings.size() == 1 ? " item" : " items") << " found, " << selectable
      << " selectable\n";
}

void printTrashOperations(std::ostream& out, const std::vector<TrashOperation>& operations, const Layout& layout) {
  for (const auto& op : operations) {
    if (op.succeeded) {
      out << "  moved  " << displayPath(op.originalURL, layout);
      if (op.trashedURL) out << " -> " << displayPath(*op.trashedURL, layout);
    } else {
      out << "  failed " << displayPath(op.originalURL, layout);
      if (op.errorDescription) out << ": " << *op.errorDescription;
      if (op.failureReason) out << " (" << rawValue(*op.failureReason) << ")";
    }
    out << "\n";
  }
}

std::vector<FileFinding> arrangedByTotal(std::vector<FileFinding> findings, const FindingSizes& sizes,
                                         FindingSortDirection direction) {
  std::map<Uuid, std::optional<std::int64_t>> own;
  for (auto& f : findings) {
    own[f.id] = f.byteCount;
    auto total = sizes.find(f.id.toString());
    f.byteCount = total == sizes.end() ? std::nullopt : std::optional<std::int64_t>(total->second.allocatedBytes);
  }
  findings = FindingArranger::arrange(std::move(findings), FindingSortKey::size, direction);
  for (auto& f : findings) f.byteCount = own[f.id];
  return findings;
}

json::Json snapshotJSON(const AnalysisSnapshot& snapshot, const FindingSizes& sizes) {
  json::Json doc = json::encode(snapshot);
  doc["findings"] = findingsJSON(snapshot.findings, sizes);
  return doc;
}

}  // namespace corvane::report
