// corvane-bench parse, bgitems, history and discovery: the file readers' throughput against python3's
// plistlib on the same bytes, the background-items store and the history against reading and writing
// their files, and app discovery against a listing of the same folders plus reading each Info.plist.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "corvane/discovery/app_discovery_service.h"
#include "corvane/discovery/background_items_store.h"
#include "corvane/discovery/command_runner.h"
#include "corvane/formats/ds_store.h"
#include "corvane/formats/property_list.h"
#include "corvane/history/history_store.h"
#include "formats/bom_reader.h"
#include "formats/macho_signature.h"
#include "platform/code_signature.h"
#include "platform/file_io.h"
#include "corvane/platform/file_system.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/bom_writer.h"
#include "sample_mac/macho_builder.h"
#include "sample_mac/plist_writer.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {

namespace {

std::string text(const char* format, double value) {
  char out[48];
  std::snprintf(out, sizeof out, format, value);
  return out;
}

// Seconds per parse of `file` by python3's plistlib, in the interpreter (its start-up not counted); none
// without python3.
std::optional<double> plistlibSeconds(const std::string& file, int rounds) {
  CommandRunner runner;
  const std::string script =
      "import plistlib,sys,time\n"
      "data=open(sys.argv[1],'rb').read()\n"
      "n=int(sys.argv[2]);t=time.process_time()\n"
      "for _ in range(n): plistlib.loads(data)\n"
      "print((time.process_time()-t)/n)\n";
  auto outcome = runner.runWithStatus("/usr/bin/env", {"python3", "-c", script, file, std::to_string(rounds)});
  if (outcome.status != 0) return std::nullopt;
  try {
    return std::stod(outcome.output);
  } catch (...) {
    return std::nullopt;
  }
}

// Parses `bytes` enough times for about 64 MB and reports MB/s; against plistlib when `plistFile` is given.
template <class Parse>
int throughput(const std::string& name, const std::vector<std::uint8_t>& bytes, Parse parse,
               const std::string& plistFile = "") {
  const int rounds = std::max(5, static_cast<int>((64u << 20) / std::max<std::size_t>(bytes.size(), 1)));
  bool ok = true;
  const Spread s = measure(5, [&] {
    for (int i = 0; i < rounds / 5 + 1; ++i) ok = parse(bytes) && ok;
  });
  const double perParse = s.median / 1000 / (rounds / 5 + 1);
  const double mbs = static_cast<double>(bytes.size()) / perParse / 1e6;
  std::printf("%s: %zu bytes, %.3f ms a parse (CPU min %.1f max %.1f ms per %d), %.1f MB/s%s\n", name.c_str(),
              bytes.size(), perParse * 1000, s.min, s.max, rounds / 5 + 1, mbs, ok ? "" : " (parse failed!)");
  if (plistFile.empty()) {
    printSummary("parse " + name, text("%.1f MB/s", mbs), "-", 1.0);
  } else if (auto python = plistlibSeconds(plistFile, std::max(3, rounds / 50))) {
    const double pyMbs = static_cast<double>(bytes.size()) / *python / 1e6;
    std::printf("  python3 plistlib: %.3f ms a parse, %.1f MB/s\n", *python * 1000, pyMbs);
    printSummary("parse " + name, text("%.1f MB/s", mbs), text("plistlib %.1f MB/s", pyMbs), mbs / pyMbs);
  } else {
    std::printf("  python3 plistlib: skipped (no python3)\n");
    printSummary("parse " + name, text("%.1f MB/s", mbs), "- (no python3)", 1.0);
  }
  return ok ? 0 : 1;
}

// `count` background items of as many apps, all in one user scope.
std::vector<testing::SampleScope> backgroundScopes(int count) {
  // One archived array holds at most BackgroundItemsStore::maxArrayElements items, so a large store
  // spreads its records over several scopes, as several users' records are spread on a shared Mac.
  constexpr int kPerScope = 4000;
  std::vector<testing::SampleScope> scopes;
  for (int i = 0; i < count; ++i) {
    if (i % kPerScope == 0) {
      char identifier[40];
      std::snprintf(identifier, sizeof identifier, "5F3C9A1E-7B2D-4E8F-9A6C-%012d", i / kPerScope);
      scopes.push_back(testing::SampleScope{i == 0 ? testing::kDemoUserScope : identifier, {}});
    }
    const std::string id = "com.vendor" + std::to_string(i) + ".agent";
    // The fewest fields a record carries, so that 20,000 of them stay within the store's object limit.
    testing::SampleBackgroundItem item;
    item.identifier = "8." + id;
    item.bundleIdentifier = id;
    item.url = "file:///Library/LaunchAgents/" + id + ".plist";
    item.type = 8;
    item.disposition = 3;
    scopes.back().items.push_back(std::move(item));
  }
  return scopes;
}

}  // namespace

int benchParse(const std::string& sourceDir) {
  testing::TemporaryFolder tmp("corvane-bench");
  int failed = 0;
  // A binary property list of 20,000 small dictionaries, as preference files and stores hold them.
  PlistArray rows;
  for (int i = 0; i < 20000; ++i) {
    PlistDictionary row;
    row.emplace_back("Name", PropertyList(std::string("Item ") + std::to_string(i)));
    row.emplace_back("Identifier", PropertyList("com.vendor" + std::to_string(i) + ".app"));
    row.emplace_back("Size", PropertyList(static_cast<std::int64_t>(i) * 4096));
    row.emplace_back("Enabled", PropertyList(i % 2 == 0));
    rows.push_back(PropertyList(std::move(row)));
  }
  const auto bplist = testing::writeBinaryPlist(PropertyList(std::move(rows)));
  const std::string bplistFile = testing::SampleMac::writeFile(
      tmp.path() + "/rows.plist", std::string(bplist.begin(), bplist.end()));
  failed |= throughput("binary plist", bplist, [](const auto& b) { return plist::parseBinary(b).has_value(); },
                       bplistFile);

  // A keyed archive: a background-items store of 2,000 items, parsed and walked.
  const std::string store = testing::writeBackgroundItemsFile(
      tmp.path() + "/btm", testing::backgroundItemsFileName(16), testing::globalStoreArchive(backgroundScopes(2000)));
  auto archive = platform::readFileBytes(store, 64u << 20);
  failed |= throughput(
      "keyed archive", archive.value(),
      [&](const auto&) { return BackgroundItemsStore::loadDetailed(tmp.path() + "/btm", std::nullopt).records.size() == 2000; },
      store);

  // A bill of materials of 50,000 paths.
  std::vector<std::string> paths;
  for (int i = 0; i < 50000; ++i)
    paths.push_back("Applications/Bench.app/Contents/Resources/part" + std::to_string(i / 100) + "/file" + std::to_string(i));
  const auto bom = testing::buildBom(paths).bytes;
  failed |= throughput("BOM", bom, [](const auto& b) { return bom::readPaths(b).has_value(); });

  auto dsStore = platform::readFileBytes(sourceDir + "/../shared/fixtures/ds_store/large.DS_Store", 64u << 20);
  if (dsStore.has_value())
    failed |= throughput(".DS_Store", dsStore.value(), [](const auto& b) { return DSStore::parse(b).ok(); });
  else
    std::printf(".DS_Store: skipped (the shared fixtures are not there)\n");

  testing::MachOOptions universal;
  universal.architectures = {testing::MachOArch::arm64, testing::MachOArch::x86_64};
  const auto machO = testing::buildSignedMachO("com.bench.target", "TEAM123456",
                                               {"group.com.bench.one", "group.com.bench.two"}, universal);
  failed |= throughput("Mach-O signature", machO,
                       [](const auto& b) { return macho::signatureFacts(b).signingIdentifier.has_value(); });
  return failed;
}

// The signature check per app: an app whose main executable holds `mebibytes` MiB of sealed code, checked
// (every page hashed) against reading the executable's bytes, and against reading the signature's facts.
int benchSignature(int mebibytes) {
  testing::TemporaryFolder tmp("corvane-bench");
  testing::SampleMac mac(tmp.path());
  const std::string app = mac.addApp({"Signed", "com.bench.signed", "1.0", std::nullopt, {}});
  testing::Seal seal;
  seal.entitlementsPlist = testing::entitlementsPlist({{"TEAM123456.com.bench.shared"}});
  seal.codeBytes = static_cast<std::size_t>(mebibytes) << 20;
  const auto executable = testing::sealedThinMachO(testing::MachOArch::arm64, "com.bench.signed", "TEAM123456", seal);
  const std::string file = testing::SampleMac::writeFile(app + "/Contents/MacOS/Signed",
                                                         std::string(executable.begin(), executable.end()));
  macho::SignatureState state = macho::SignatureState::notSigned;
  const Spread check = measure(5, [&] { state = platform::checkCodeSignature(app).state; });
  const Spread facts = measure(5, [&] { (void)platform::readCodeSignature(app); });
  const Spread read = measure(5, [&] { (void)platform::readFileBytes(file, std::size_t{1} << 31); });
  std::printf("signature check of an app with %d MiB of code (%s)\n", mebibytes,
              state == macho::SignatureState::valid ? "holds" : "DOES NOT HOLD");
  printSpread("check", check);
  printSpread("read the facts only", facts);
  printSpread("read the executable", read);
  printSummary("signature " + std::to_string(mebibytes) + " MiB", milliseconds(check.median),
               "read " + milliseconds(read.median), check.median / std::max(read.median, 0.001));
  return state == macho::SignatureState::valid ? 0 : 1;
}

int benchBackgroundItems(int records) {
  testing::TemporaryFolder tmp("corvane-bench");
  const std::string folder = tmp.path() + "/btm";
  // One archive holds at most BackgroundItemsStore::maxArchiveObjects objects (about 18,000 records), so
  // the records go to one file per scope, as the system writes them for each user.
  std::vector<std::string> files;
  for (const auto& scope : backgroundScopes(records))
    files.push_back(testing::writeBackgroundItemsFile(folder, testing::backgroundItemsFileName(16, scope.identifier),
                                                      testing::scopeArchive(scope.identifier, scope.items)));
  std::size_t loaded = 0;
  const Spread load = measure(5, [&] { loaded = BackgroundItemsStore::loadDetailed(folder, std::nullopt).records.size(); });
  const Spread read = measure(5, [&] {
    for (const auto& file : files) (void)platform::readFileBytes(file, 64u << 20);
  });
  std::printf("background-items store of %d records in %zu file%s (%zu loaded, store status %s)\n", records,
              files.size(), files.size() == 1 ? "" : "s", loaded,
              std::string(caseName(BackgroundItemsStore::loadDetailed(folder, std::nullopt).status.kind)).c_str());
  printSpread("load", load);
  printSpread("read the file", read);
  printSummary("bgitems " + std::to_string(records), milliseconds(load.median), "read " + milliseconds(read.median),
               load.median / std::max(read.median, 0.001));
  return loaded == static_cast<std::size_t>(std::min<int>(records, BackgroundItemsStore::maxRecordsPerLoad)) ? 0 : 1;
}

int benchHistory(int records) {
  testing::TemporaryFolder tmp("corvane-bench");
  const std::string path = tmp.path() + "/history.json";
  auto record = [](int n) {
    UninstallRecord r;
    r.createdAt = Date{std::chrono::seconds{1'700'000'000 + n}};
    r.identity.name = "App " + std::to_string(n);
    r.identity.bundleIdentifier = "com.vendor.app" + std::to_string(n);
    r.preRemovalSnapshot.identity = r.identity;
    r.preRemovalSnapshot.appURL = Url::fileURL("/Applications/App " + std::to_string(n) + ".app");
    for (int k = 0; k < 8; ++k) {
      const Url url = Url::fileURL("/Users/me/Library/Caches/com.vendor.app" + std::to_string(n) + "." + std::to_string(k));
      r.preRemovalSnapshot.findings.push_back(FileFinding::make(
          url, FindingKind::cache, FindingConfidence::safeToRemove, 82,
          {MatchEvidence(EvidenceKind::bundleIdentifier, "Named exactly for this app's bundle identifier.", 70)}, 4096,
          std::nullopt, false, std::nullopt, std::nullopt));
      r.operations.push_back(TrashOperation::success(url, Url::fileURL("/Users/me/.Trash/x" + std::to_string(k))));
    }
    return r;
  };
  HistoryFileManager files = HistoryFileManager::system();
  {
    HistoryStore store(files, Url::fileURL(path));
    for (int i = 0; i < records; ++i) (void)store.append(record(i));
  }
  const std::string before = testing::SampleMac::readFile(path);
  int next = records;
  // Each run appends one record to a history of `records` (and a few more, one per earlier run).
  const Spread load = measure(5, [&] { HistoryStore loaded(files, Url::fileURL(path)); });
  HistoryStore store(files, Url::fileURL(path));
  // The first change after loading checks the file's layout against a full encoding; later ones do not.
  const Spread first = measure(1, [&] { (void)store.append(record(next++)); });
  const Spread append = measure(5, [&] { (void)store.append(record(next++)); });
  const std::string after = testing::SampleMac::readFile(path);
  const Spread write = measure(5, [&] { (void)files.writeAtomically(path + ".floor", after); });
  std::printf("history of %d records (%zu bytes before, %zu after)\n", records, before.size(), after.size());
  printSpread("load the history", load);
  printSpread("first append after loading", first);
  printSpread("append one record", append);
  printSpread("write the file atomically", write);
  printSummary("history append " + std::to_string(records), milliseconds(append.wallMedian) + " wall",
               "write " + milliseconds(write.wallMedian), append.wallMedian / std::max(write.wallMedian, 0.001));
  return store.records().size() == static_cast<std::size_t>(records + 6) ? 0 : 1;
}

int benchDiscovery(int apps) {
  testing::TemporaryFolder tmp("corvane-bench");
  testing::SampleMac mac(tmp.path());
  for (int i = 0; i < apps; ++i)
    mac.addApp(testing::BundleInfo{"App " + std::to_string(i), "com.vendor.app" + std::to_string(i), "1.0", std::nullopt, {}});
  const Layout layout = Layout::at(mac.root(), mac.home());
  const AppDiscoveryService discovery(layout, [] { return std::optional<std::vector<AppDiscoveryService::MountedVolume>>{}; });
  std::size_t found = 0;
  const Spread discover = measure(5, [&] { found = discovery.discover().size(); });
  // The floor: list the folder, then read each bundle's Info.plist.
  const Spread floor = measure(5, [&] {
    auto listing = platform::realFileSystem().list(layout.applications());
    if (!listing.has_value()) return;
    for (const auto& e : listing->entries)
      (void)platform::readFileBytes(layout.applications() + "/" + e.name + "/Contents/Info.plist", 1u << 20);
  });
  std::printf("discovery of %d apps: %zu found\n", apps, found);
  printSpread("discover", discover);
  printSpread("list + read Info.plist", floor);
  printSummary("discovery " + std::to_string(apps), milliseconds(discover.median), "list+read " + milliseconds(floor.median),
               discover.median / floor.median);
  return found >= static_cast<std::size_t>(apps) ? 0 : 1;
}

}  // namespace corvane::bench
