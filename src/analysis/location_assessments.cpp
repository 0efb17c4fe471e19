#include "analysis/location_assessments.h"

#include <algorithm>

#include "discovery/bundle_reader.h"
#include "platform/directory.h"
#include "platform/file_status.h"
#include "platform/unicode.h"
#include "base/utf8.h"
#include "platform/disk_identity.h"
#include "platform/format_files.h"

namespace corvane::LocationAssessments {

namespace {

using IdentifierMatch = MatchEngine::IdentifierMatch;

constexpr std::size_t kMaxSmallPlistBytes = 4u << 20;

std::string lower(std::string_view s) { return platform::lowercased(s); }
bool equalIgnoringCase(std::string_view a, std::string_view b) { return lower(a) == lower(b); }
bool inFamily(std::string_view candidate, std::string_view target) {
  return MatchEngine::identifierMatch(candidate, target) == IdentifierMatch::family;
}

std::string lowercasedExtension(const Url& url) { return lower(url.pathExtension()); }

std::string stemOf(const Url& url) {
  std::string name = url.lastPathComponent();
  std::string ext = url.pathExtension();
  return ext.empty() ? name : name.substr(0, name.size() - ext.size() - 1);
}

std::optional<PropertyList> readDictionary(const platform::FileSystem& fs, const std::string& path) {
  PlistLimits limits;
  limits.maxBytes = kMaxSmallPlistBytes;
  auto plist = plist::readFile(fs, path, limits);
  if (!plist.has_value() || !plist->asDictionary()) return std::nullopt;
  return std::move(plist).value();
}

MatchEvidence location(const std::string& text) { return MatchEvidence(EvidenceKind::location, text, 12); }

}  // namespace

std::vector<std::string> identifierTargets(const AppIdentity& identity) {
  std::vector<std::string> targets;
  for (const auto* value : {&identity.bundleIdentifier, &identity.signingIdentifier})
    if (*value && !(*value)->empty()) targets.push_back(**value);
  return targets;
}

std::optional<Assessment> pluginAssessment(const platform::FileSystem& fs,
                                           const Url& url, const AppIdentity& identity, const std::string& noun) {
  static const std::vector<std::string> kPluginExtensions = {
      "plugin", "qlgenerator", "mdimporter", "prefpane", "service", "workflow", "component", "bundle",
      "appex",  "dictionary",  "colorpicker", "saver",  "mailbundle", "menu", "au", "vst", "vst3",
      "clap",   "aax",         "aaxplugin",   "driver", "fxplug", "framework"};
  std::string ext = lowercasedExtension(url);
  if (std::find(kPluginExtensions.begin(), kPluginExtensions.end(), ext) == kPluginExtensions.end())
    return std::nullopt;
  auto pluginID = bundle::identifier(fs, url.path());
  if (!pluginID) return std::nullopt;
  for (const auto& target : identifierTargets(identity)) {
    Assessment a;
    a.ownerCandidates = {*pluginID};
    if (equalIgnoringCase(*pluginID, target)) {
      a.evidence = {MatchEvidence(EvidenceKind::pluginOwnership,
                                  "This " + noun + "'s bundle identifier " + *pluginID + " exactly matches the app.", 80)};
      a.score = 80;
      a.exact = true;
      return a;
    }
    if (inFamily(*pluginID, target)) {
      a.evidence = {MatchEvidence(EvidenceKind::pluginOwnership,
                                  "This " + noun + "'s bundle identifier " + *pluginID +
                                      " belongs to the app's identifier family.",
                                  58)};
      a.score = 58;
      return a;
    }
  }
  return std::nullopt;
}

std::optional<Assessment> byHostAssessment(const Url& url, const AppIdentity& identity) {
  if (lowercasedExtension(url) != "plist") return std::nullopt;
  std::string stem = stemOf(url);
  std::vector<std::string> candidates = {stem};
  if (auto dot = stem.rfind('.'); dot != std::string::npos) candidates.push_back(stem.substr(0, dot));
  const auto targets = identifierTargets(identity);
  const MatchEvidence place = location("This is an app-scoped per-host preference.");
  for (const auto& target : targets) {
    for (const auto& c : candidates) {
      if (!equalIgnoringCase(c, target)) continue;
      return Assessment{{MatchEvidence(EvidenceKind::bundleIdentifier,
                                       "This per-host preference is named exactly for the app's identifier " +
                                           target + ".",
                                       70),
                         place},
                        82, true, {}};
    }
  }
  for (const auto& c : candidates) {
    for (const auto& target : targets) {
      if (!inFamily(c, target)) continue;
      return Assessment{{MatchEvidence(EvidenceKind::relatedComponent,
                                       "This per-host preference belongs to the app's identifier family.", 55),
                         place},
                        67, false, {}};
    }
  }
  return std::nullopt;
}

std::optional<Assessment> recentDocumentsAssessment(const Url& url, const AppIdentity& identity) {
  std::string ext = lowercasedExtension(url);
  if (ext != "sfl" && ext != "sfl2" && ext != "sfl3" && ext != "sfl4") return std::nullopt;
  std::string stem = stemOf(url);
  const auto targets = identifierTargets(identity);
  const MatchEvidence place = location("This is an app-scoped recent-items list under com.apple.sharedfilelist.");
  for (const auto& target : targets) {
    if (equalIgnoringCase(stem, target))
      return Assessment{{MatchEvidence(EvidenceKind::bundleIdentifier,
                                       "This recent-documents list is named exactly for the app's identifier " +
                                           target + ".",
                                       70),
                         place},
                        82, true, {}};
  }
  for (const auto& target : targets) {
    if (inFamily(stem, target))
      return Assessment{{MatchEvidence(EvidenceKind::relatedComponent,
                                       "This recent-documents list belongs to the app's identifier family (" +
                                           target + ").",
                                       55),
                         place},
                        67, false, {}};
  }
  return std::nullopt;
}

std::optional<std::string> containerRecordedOwner(const platform::FileSystem& fs, const Url& folder) {
  for (const char* name : {".com.apple.containermanagerd.metadata.plist", "Container.plist"}) {
    std::string path = folder.appending(name).path();
    if (!fs.exists(path)) continue;
    auto dict = readDictionary(fs, path);
    if (!dict) continue;
    std::optional<std::string> owner = dict->string("MCMMetadataIdentifier");
    if (!owner) owner = dict->string("Identifier");
    if (owner && !owner->empty()) return owner;
  }
  return std::nullopt;
}

MatchEngine::IdentifierMatch bestOwnerMatch(const std::string& owner, const AppIdentity& identity) {
  IdentifierMatch best = IdentifierMatch::none;
  for (const auto& target : identifierTargets(identity)) {
    auto m = MatchEngine::identifierMatch(owner, target);
    if (m == IdentifierMatch::exact) return m;
    if (m == IdentifierMatch::family) best = m;
  }
  return best;
}

std::vector<MatchEvidence> launchEvidence(const platform::FileSystem& fs,
                                          const Url& url, const AppIdentity& identity, const Url& appURL,
                                          bool isProtected, const Layout& layout) {
  if (url.pathExtension() != "plist") return {};
  auto dict = readDictionary(fs, url.path());
  if (!dict) return {};
  if (auto label = dict->string("Label")) {
    for (const auto& target : identifierTargets(identity)) {
      if (equalIgnoringCase(*label, target))
        return {MatchEvidence(EvidenceKind::launchDefinition,
                              "The launch job label " + *label + " is exactly this app's identifier.", 45)};
      if (inFamily(*label, target) && !isProtected)
        return {MatchEvidence(EvidenceKind::launchDefinition,
                              "The launch job label " + *label + " belongs to this app's identifier family.", 30)};
    }
  }
  std::vector<std::string> programs;
  if (auto program = dict->string("Program")) programs.push_back(*program);
  if (const PropertyList* args = dict->find("ProgramArguments"); args && args->asArray()) {
    bool allText = std::all_of(args->asArray()->begin(), args->asArray()->end(),
                               [](const PropertyList& p) { return p.asString() != nullptr; });
    if (allText)
      for (const auto& a : *args->asArray()) programs.push_back(*a.asString());
  }
  // The programs are Mac paths (or arguments holding one): a path leads into the bundle where this layout
  // keeps it, and an argument names the bundle by its Mac path.
  const std::string bundlePath = appURL.standardized().path();
  const std::optional<std::string> bundleMacPath = layout.macPath(bundlePath);
  for (const auto& p : programs) {
    const bool runsInside = (p.starts_with("/") && layout.hostPath(p).find(bundlePath) != std::string::npos) ||
                            (bundleMacPath && p.find(*bundleMacPath) != std::string::npos);
    if (runsInside)
      return {MatchEvidence(EvidenceKind::launchDefinition, kProgramInsideBundle, 45)};
  }
  return {};
}

bool launchProgramInsideBundle(const platform::FileSystem& fs,
                               const Url& url, const Url& appURL, const Layout& layout) {
  auto dict = readDictionary(fs, url.path());
  if (!dict) return false;
  // What launchd runs: Program, else the first of ProgramArguments.
  std::optional<std::string> program = dict->string("Program");
  if (const PropertyList* args = dict->find("ProgramArguments"); !program && args && args->asArray() &&
                                                                  !args->asArray()->empty())
    if (const std::string* first = args->asArray()->front().asString()) program = *first;
  if (!program || !program->starts_with("/")) return false;
  const std::string bundle = appURL.standardized().path(), host = layout.hostPath(*program);
  return host.size() > bundle.size() && host.compare(0, bundle.size(), bundle) == 0 && host[bundle.size()] == '/';
}

std::optional<std::string> userLaunchServiceIdentifier(const platform::FileSystem& fs,
                                                       const Url& url, const AppIdentity& identity,
                                                       const Url& appURL, const Layout& layout) {
  if (launchEvidence(fs, url, identity, appURL, false, layout).empty()) return std::nullopt;
  auto dict = readDictionary(fs, url.path());
  if (!dict) return std::nullopt;
  auto label = dict->string("Label");
  if (!label || label->empty()) return std::nullopt;
  if (lower(*label).rfind("com.apple.", 0) == 0) return std::nullopt;
  for (char32_t c : utf8::decode(*label)) {
    if (c == '.' || c == '-' || c == '_') continue;
    if (c == utf8::kReplacementCharacter || !platform::isAlphanumericScalar(c)) return std::nullopt;
  }
  return label;
}

FileFinding makeReceiptFinding(const Url& url, const std::string& receiptID, const platform::FileSystem& fs) {
  std::vector<MatchEvidence> evidence = {
      MatchEvidence(EvidenceKind::packageReceipt,
                    "Installer receipt " + url.lastPathComponent() + " records that this app's package (" +
                        receiptID + ") was installed. Removing it clears that leftover record.",
                    60),
      MatchEvidence(EvidenceKind::requiresAdministrator,
                    "This installer receipt is system-owned, so macOS needs administrator approval to remove it. "
                    "The approved helper moves it to the Trash (recoverable) with no password.",
                    0)};
  std::optional<std::int64_t> size;
  std::optional<Date> modified;
  if (auto st = fs.linkStatus(url.path()); st.has_value()) {
    size = st->allocatedSize;
    modified = Date{std::chrono::seconds{st->modifiedSeconds}};
  }
  return FileFinding::make(url, FindingKind::installerReceipt, FindingConfidence::probablyLeftover, 60,
                           std::move(evidence), size, modified, false, std::nullopt,
                           valueIfAny(fs.diskIdentity(url.path())));
}

std::vector<FileFinding> receiptFindings(const AppIdentity& identity, const Url& receiptsDirectory,
                                         const platform::FileSystem& fs) {
  std::vector<FileFinding> findings;
  if (!identity.bundleIdentifier || identity.bundleIdentifier->empty()) return findings;
  const std::string b = lower(*identity.bundleIdentifier);
  for (const auto& receipt : identity.packageReceipts) {
    std::string r = lower(receipt);
    if (r != b && r.rfind(b + ".", 0) != 0) continue;
    for (const char* ext : {".bom", ".plist"}) {
      Url file = receiptsDirectory.appending(receipt + ext);
      if (fs.exists(file.path())) findings.push_back(makeReceiptFinding(file, receipt, fs));
    }
  }
  return findings;
}

}  // namespace corvane::LocationAssessments

namespace corvane::LocationAssessments {

MatchEngine::IdentifierMatch dbOwnerMatch(const SystemExtensionRecord& record, const AppIdentity& identity,
                                          const Url& appURL, const Layout& layout) {
  if (record.ownerAppBundlePath && layout.hostPath(*record.ownerAppBundlePath) == appURL.standardized().path())
    return MatchEngine::IdentifierMatch::exact;
  MatchEngine::IdentifierMatch best = MatchEngine::IdentifierMatch::none;
  for (const auto& owner : record.ownerAppIdentifiers) {
    auto m = bestOwnerMatch(owner, identity);
    if (m == MatchEngine::IdentifierMatch::exact) return m;
    if (m == MatchEngine::IdentifierMatch::family) best = m;
  }
  return best;
}

std::optional<Assessment> systemExtensionAssessment(const platform::FileSystem& fs,
                                                    const Url& url, const AppIdentity& identity, const Url& appURL,
                                                    const std::vector<SystemExtensionRecord>& catalog,
                                                    const Layout& layout) {
  const std::optional<std::string> extID = bundle::identifier(fs, url.path());
  const std::string lowerExt = extID ? lower(*extID) : std::string();
  const std::string parentName = url.deletingLastPathComponent().lastPathComponent();

  const SystemExtensionRecord* record = nullptr;
  for (const auto& r : catalog) {
    if (r.uniqueID && *r.uniqueID == parentName && (!extID || lower(r.extID) == lowerExt)) {
      record = &r;
      break;
    }
  }
  if (!record && extID) {
    for (const auto& r : catalog) {
      if (lower(r.extID) == lowerExt) {
        record = &r;
        break;
      }
    }
  }

  Assessment a;
  if (!lowerExt.empty()) {
    for (const auto& target : identifierTargets(identity)) {
      if (lower(target) == lowerExt) {
        a.evidence = {MatchEvidence(EvidenceKind::pluginOwnership,
                                    "This extension's bundle identifier " + *extID + " exactly matches the app.", 80)};
        a.score = 80;
        a.exact = true;
      } else if (a.score < 58 && inFamily(lowerExt, target)) {
        a.evidence = {MatchEvidence(EvidenceKind::pluginOwnership,
                                    "This extension's bundle identifier " + *extID +
                                        " belongs to the app's identifier family.",
                                    58)};
        a.score = 58;
      }
    }
  }
  if (record && !a.exact) {
    auto m = dbOwnerMatch(*record, identity, appURL, layout);
    if (m == MatchEngine::IdentifierMatch::exact) {
      a.evidence.emplace_back(EvidenceKind::pluginOwnership,
                              "The macOS system-extensions database records this extension's owner as this app.", 80);
      a.score = 80;
      a.exact = true;
    } else if (m == MatchEngine::IdentifierMatch::family && a.score < 58) {
      a.evidence.emplace_back(EvidenceKind::relatedComponent,
                              "The macOS system-extensions database ties this extension to this app's identifier "
                              "family.",
                              58);
      a.score = 58;
    }
  }
  if (a.evidence.empty()) return std::nullopt;
  std::optional<SystemExtensionRecord> guidanceRecord;
  if (record) guidanceRecord = *record;
  a.evidence.push_back(SystemExtensionCatalog::removalGuidance(guidanceRecord, url));
  if (extID && !extID->empty()) a.ownerCandidates.push_back(*extID);
  if (record) {
    for (const auto& owner : record->ownerAppIdentifiers)
      if (std::find(a.ownerCandidates.begin(), a.ownerCandidates.end(), owner) == a.ownerCandidates.end())
        a.ownerCandidates.push_back(owner);
  }
  return a;
}

}  // namespace corvane::LocationAssessments
