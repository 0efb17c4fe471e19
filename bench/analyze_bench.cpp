// corvane-bench: each heavy path of the library against its physical floor, measured in the same run
// (`corvane-bench --help` lists the cases). This file holds the analysis case and the dispatch.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/analysis/app_analyzer.h"
#include "corvane/platform/file_system.h"
#include "bench_timing.h"
#include "corvane/discovery/command_runner.h"
#include "platform/resources.h"
#include "sample_mac/corpus_mac.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {
int benchSizes(int files);
int benchRestore(int files);
int benchDSStore(const std::string& sourceDir);
int benchTrash(int entries);
int benchOrphans(int entries, bool typical, const std::string& tool);
int benchDiscovery(int apps);
int benchParse(const std::string& sourceDir);
int benchBackgroundItems(int records);
int benchSignature(int mebibytes);
int benchHistory(int records);
int benchAccuracy(const std::string& corpusPath, bool verbose, bool noPeers, bool keep = false);
}

namespace {

using namespace corvane;
using namespace corvane::bench;

constexpr int kMaxEntries = 10'000'000;

// Spreads `count` entries over the Library folders the way a well-used Mac does, plus the target's own
// items. Every tenth Application Support entry is a folder with two files inside.
void populate(const testing::SampleMac& mac, int count) {
  struct Share {
    const char* folder;
    int percent;
    const char* suffix;
  };
  const Share shares[] = {{"Library/Caches", 30, ""},           {"Library/Application Support", 25, ""},
                          {"Library/Preferences", 20, ".plist"}, {"Library/Containers", 10, ""},
                          {"Library/Logs", 5, ".log"},          {"Library/Saved Application State", 5, ".savedState"},
                          {"Library/HTTPStorages", 5, ""}};
  int made = 0;
  for (const auto& share : shares) {
    int n = count * share.percent / 100;
    std::string base = mac.user(share.folder);
    for (int i = 0; i < n; ++i, ++made) {
      std::string name = "com.vendor" + std::to_string(i % 997) + ".app" + std::to_string(i) + share.suffix;
      if (i % 10 == 0 && std::string(share.suffix).empty()) {
        testing::SampleMac::writeFile(base + "/" + name + "/a.db", "x");
        testing::SampleMac::writeFile(base + "/" + name + "/b.db", "x");
      } else {
        testing::SampleMac::writeFile(base + "/" + name, "x");
      }
    }
  }
  for (const char* item : {"Library/Caches/com.bench.target", "Library/Preferences/com.bench.target.plist",
                           "Library/Application Support/Bench Target", "Library/Containers/com.bench.target"})
    testing::SampleMac::writeFile(mac.user(item) + (std::string(item).find('.') == std::string::npos ? "/x" : ""), "x");
  testing::BundleInfo info{"Bench Target", "com.bench.target", "1.0", std::nullopt, {}};
  mac.addApp(info);
}

// The floor: readdir of the same folders to the same depths, the type taken from the entry, nothing more.
std::size_t readdirWalk(const std::string& folder, int maxDepth) {
  std::size_t seen = 0;
  const platform::WalkLimits limits{static_cast<std::size_t>(maxDepth), /*skipHidden=*/true, /*sorted=*/false};
  (void)platform::realFileSystem().walk(folder, limits, [&](const platform::WalkItem&) {
    ++seen;
    return platform::WalkStep::descend;
  });
  return seen;
}

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string commandLine(const std::string& program, const std::vector<std::string>& arguments) {
  std::string line = program;
  for (const auto& a : arguments) line += " " + quoted(a);
  return line;
}

int benchAnalyze(int count, const std::string& tool) {
  testing::TemporaryFolder tmp("corvane-bench");
  testing::SampleMac mac(tmp.path());
  std::printf("building a sample Mac whose Library folders hold %d entries...\n", count);
  populate(mac, count);
  Layout layout = Layout::at(mac.root(), mac.home());
  AppAnalyzer analyzer(layout);
  const std::string appPath = mac.system("/Applications/Bench Target.app");
  InstalledApplication app{Url::fileURL(appPath), "Bench Target", "com.bench.target", "1.0", false};

  std::size_t walked = 0;
  std::vector<std::string> shallow, deep;  // the existing locations walked one and two levels down
  auto locations = analyzer.searchLocations(Url::fileURL(layout.userLibrary()), Url::fileURL(layout.library()));
  for (const auto& l : locations)
    if (platform::realFileSystem().exists(l.url.path())) (l.maxDepth > 1 ? deep : shallow).push_back(l.url.path());
  const int runs = count >= 1000000 ? 3 : 5;
  const Spread walk = measure(runs, [&] {
    walked = 0;
    for (const auto& l : locations) walked += readdirWalk(l.url.path(), l.maxDepth);
  });
  std::size_t findings = 0;
  const Spread analysis = measure(runs, [&] { findings = analyzer.analyze(app, {app}).findings.size(); });
  std::printf("N = %d: %zu entries walked, %zu findings\n", count, walked, findings);
  printSpread("analysis (in process)", analysis);
  printSpread("readdir-only walk", walk);
  const std::string label = "analysis " + std::to_string(count);
  printSummary(label, milliseconds(analysis.median), "readdir " + milliseconds(walk.median),
               analysis.median / walk.median);

  // The same pair as whole processes, printed so anyone can run them.
  CommandRunner runner;
  const std::vector<std::string> analyzeArgs = {"analyze", appPath, "--root", mac.root(), "--home", mac.home()};
  std::vector<std::string> findShallow = shallow, findDeep = deep;
  findShallow.insert(findShallow.end(), {"-maxdepth", "1"});
  findDeep.insert(findDeep.end(), {"-maxdepth", "2"});
  std::printf("  commands (kept until the case ends):\n    %s\n    %s; %s\n", commandLine(tool, analyzeArgs).c_str(),
              commandLine("find", findShallow).c_str(), commandLine("find", findDeep).c_str());
  int status = 0;
  const Spread process = measure(runs, [&] { status = runner.runWithStatus(tool, analyzeArgs).status; });
  // Measured before find runs, the children's peak is corvane's own.
  const double toolPeak = static_cast<double>(platform::childrenPeakResidentBytes()) / (1024.0 * 1024.0);
  const Spread find = measure(runs, [&] {
    (void)runner.runWithStatus("/usr/bin/find", findShallow);
    (void)runner.runWithStatus("/usr/bin/find", findDeep);
  });
  if (status != 0) std::printf("  (corvane analyze exited with %d)\n", status);
  printSpread("corvane analyze (process)", process);
  std::printf("  corvane analyze peak memory %.1f MB\n", toolPeak);
  printSpread("find (processes)", find);
  printSummary("analyze command " + std::to_string(count), milliseconds(process.median), "find " + milliseconds(find.median),
               process.median / find.median);
  return 0;
}

// Each case, its default size and what it measures, as --help lists them.
struct Case {
  const char* name;
  std::vector<int> defaults;
  const char* about;
};

const Case kCases[] = {
    {"analyze", {10000, 100000}, "one app's analysis on Libraries of N entries (several N allowed; 1000000 is opt-in)\n"
                                 "    against a readdir-only walk of the same folders, and `corvane analyze` against find"},
    {"discovery", {1000}, "finding N installed apps against a readdir-only walk of the Applications folders"},
    {"parse", {}, "MB/s of binary property lists, keyed archives, BOM, .DS_Store and Mach-O files, and of\n"
                  "    python3's plistlib on the same property lists (skipped without python3)"},
    {"bgitems", {20000}, "reading a background-items store of N records against reading its bytes"},
    {"signature", {8, 64}, "checking an app's signature, its executable holding N MiB of code, against reading it"},
    {"history", {1000}, "appending one uninstall to a history of N records against writing its file"},
    {"orphans", {50000}, "the orphan scan on a typical Library of N entries (mostly installed apps' items) against\n"
                         "    a bare listing and find, and `corvane orphans` (text, then --json) against find"},
    {"orphans-all", {100000}, "the same on a Library of N entries nearly all of them orphans"},
    {"trash", {100000}, "listing a Trash of N entries with sizes and lanes against du -s"},
    {"sizes", {200000}, "the size roll-up of an app's findings (its cache holding N files) against du -s"},
    {"restore", {10000}, "putting a folder of N files back from the Trash by rename against copy and remove"},
    {"dsstore", {}, "parsing the large .DS_Store among the shared fixtures (skipped when absent)"},
    {"accuracy", {}, "the leftovers corpus scored (`--list` lists every item; `--no-peers` installs every\n"
                     "    other app beside look-alike items of no app; `--keep` leaves the sample Mac on disk; `--corpus FILE`\n"
                     "    reads another corpus of the same form)"},
};

void usage() {
  std::printf("usage: corvane-bench [CASE [N ...]]   (no CASE: every case at its default size)\ncases:\n");
  for (const auto& c : kCases) {
    std::string sizes;
    for (int n : c.defaults) sizes += (sizes.empty() ? " (default N: " : " ") + std::to_string(n);
    std::printf("  %-10s %s%s\n", c.name, c.about, sizes.empty() ? "" : (sizes + ")").c_str());
  }
  std::printf("Every case prints min / median / max processor time of repeated runs beside its floor, and ends\n"
              "with a line starting \"=\": the figure, the floor, their ratio and the peak memory.\n");
}

int run(const std::string& name, const std::vector<int>& sizes, const std::string& tool) {
  const int n = sizes.empty() ? 0 : sizes.front();
  if (name == "analyze") {
    int worst = 0;
    for (int count : sizes) worst = std::max(worst, benchAnalyze(count, tool));
    return worst;
  }
  if (name == "discovery") return bench::benchDiscovery(n);
  if (name == "parse") return bench::benchParse(CORVANE_SOURCE_DIR);
  if (name == "bgitems") return bench::benchBackgroundItems(n);
  if (name == "signature") {
    int worst = 0;
    for (int size : sizes) worst = std::max(worst, bench::benchSignature(size));
    return worst;
  }
  if (name == "history") return bench::benchHistory(n);
  if (name == "orphans" || name == "orphans-all") {
    int worst = 0;
    for (int count : sizes) worst = std::max(worst, bench::benchOrphans(count, name == "orphans", tool));
    return worst;
  }
  if (name == "trash") return bench::benchTrash(n);
  if (name == "sizes") return bench::benchSizes(n);
  if (name == "restore") return bench::benchRestore(n);
  if (name == "accuracy") return bench::benchAccuracy(testing::corpusFile(CORVANE_SOURCE_DIR), false, false);
  return bench::benchDSStore(CORVANE_SOURCE_DIR);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (std::find_if(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; }) !=
      args.end()) {
    usage();
    return 0;
  }
  // corvane sits beside corvane-bench in the build folder.
  std::string tool = argv[0];
  tool = tool.find('/') == std::string::npos ? "corvane" : tool.substr(0, tool.rfind('/') + 1) + "corvane";
  if (args.empty()) {
    int worst = 0;
    for (const auto& c : kCases) worst = std::max(worst, run(c.name, c.defaults, tool));
    return worst;
  }
  if (args.front() == "accuracy" && args.size() <= 6) {
    const auto at = [&](const char* option) { return std::find(args.begin() + 1, args.end(), option); };
    const auto given = [&](const char* option) { return at(option) != args.end(); };
    // Another corpus of the same form, for apps the rules were not written against.
    std::string corpus = testing::corpusFile(CORVANE_SOURCE_DIR);
    if (const auto it = at("--corpus"); it != args.end() && it + 1 != args.end())
      corpus = std::filesystem::absolute(*(it + 1)).string();
    return bench::benchAccuracy(corpus, given("--list"), given("--no-peers"), given("--keep"));
  }
  const Case* chosen = nullptr;
  for (const auto& c : kCases)
    if (args.front() == c.name) chosen = &c;
  if (!chosen) {
    std::fprintf(stderr, "corvane-bench: no case %s; see corvane-bench --help\n", args.front().c_str());
    return 64;
  }
  std::vector<int> sizes;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    int n = 0;
    auto [end, error] = std::from_chars(a.data(), a.data() + a.size(), n);
    if (error != std::errc() || end != a.data() + a.size() || n < 1 || n > kMaxEntries) {
      std::fprintf(stderr, "corvane-bench: %s is not a count (1 to %d); see corvane-bench --help\n", a.c_str(),
                   kMaxEntries);
      return 64;
    }
    sizes.push_back(n);
  }
  if (sizes.size() > 1 && chosen->name != std::string_view("analyze") && chosen->name != std::string_view("signature")) {
    std::fprintf(stderr, "corvane-bench: %s takes one count; see corvane-bench --help\n", chosen->name);
    return 64;
  }
  if (sizes.empty()) sizes = chosen->defaults;
  return run(chosen->name, sizes, tool);
}
