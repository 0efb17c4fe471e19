#include "cli/snapshot_text.h"

#include "report/mac_style_text.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "corvane/analysis/finding_ids.h"

namespace corvane::cli {

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

std::string macStyleText(std::string text, const Layout& layout) {
  return report::macStyleText(std::move(text), layout);
}

std::string tierName(FindingConfidence tier, bool colour) {
  std::string name(stringValue(tier));
  if (!colour) return name;
  const char* code = "";
  switch (tier) {
    case FindingConfidence::safeToRemove: code = "32"; break;
    case FindingConfidence::probablyLeftover: code = "33"; break;
    case FindingConfidence::review: code = "34"; break;
    case FindingConfidence::inUse: code = "31"; break;
  }
  return std::string("\033[") + code + "m" + name + "\033[0m";
}

namespace {

// Characters on screen, counted as UTF-8 scalars.
std::size_t displayWidth(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void printTableRows(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], displayWidth(row[i]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - displayWidth(row[i]) + 2, ' ');
    }
    out << line << "\n";
  }
}

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

void printTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) { printTableRows(out, rows); }

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

}  // namespace corvane::cli
