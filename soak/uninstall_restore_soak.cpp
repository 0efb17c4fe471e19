// Uninstalls an app of a sample Mac and restores it, a thousand times over, in this one process, the way
// `corvane uninstall --yes` and `corvane restore ID` do it. Afterwards the Mac must be exactly as it was
// (names, sizes, modes, contents), the history must hold one record per uninstall, and the process's open
// descriptors and the memory in use between commands must not have grown; both are printed every 100
// cycles, with the peak (which grows with the history each command reads in full).
//
//   corvane-soak [CYCLES]     (1000 by default; exits 1 on any difference)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "corvane/history/history_store.h"
#include "platform/resources.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/launchctl_stand_in.h"
#include "sample_mac/tree_fingerprint.h"

namespace {

using namespace corvane;

struct Sample {
  int cycle = 0;
  int descriptors = 0;
  double residentMB = 0;
  double peakMB = 0;
  double seconds = 0;
};

double megabytes(std::int64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// Runs the tool in process; the standard output, or none when it did not succeed.
std::optional<std::string> run(std::vector<std::string> args, const testing::SampleMac& mac) {
  args.insert(args.end(), {"--root", mac.root(), "--home", mac.home()});
  std::ostringstream out, err;
  std::istringstream in;
  if (cli::run(args, out, err, in, std::nullopt) == cli::kExitOK) return out.str();
  std::fprintf(stderr, "corvane %s failed:\n%s%s", args[0].c_str(), out.str().c_str(), err.str().c_str());
  return std::nullopt;
}

// The Mac's tree, its root and its home, without the tool's own files (its history and settings).
test_support::TreeFingerprint macTree(const testing::SampleMac& mac) {
  test_support::TreeFingerprint tree;
  for (const auto& [path, entry] : test_support::treeFingerprint(mac.root())) tree["root/" + path] = entry;
  const std::string own = "Library/Application Support/Corvane";
  for (const auto& [path, entry] : test_support::treeFingerprint(mac.home()))
    if (path != own && !path.starts_with(own + "/")) tree["home/" + path] = entry;
  return tree;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
  if (cycles <= 0) {
    std::fprintf(stderr, "usage: corvane-soak [CYCLES]\n");
    return 64;
  }
  testing::TemporaryFolder tmp("soak");
  testing::SampleMac mac(tmp.path());
  testing::buildDemoMac(mac);
  const Layout layout = Layout::at(mac.root(), mac.home());
  const auto launchctl = testing::LaunchctlStandIn::write(tmp.path(), {"com.dropzone.sync.agent"});
  const std::string app = mac.system("/Applications/Dropzone Sync.app");
  const auto before = macTree(mac);

  const std::string marker = "recorded in the history as ";
  std::vector<Sample> samples;
  const auto start = std::chrono::steady_clock::now();
  std::printf("%8s %12s %12s %12s %10s\n", "cycle", "descriptors", "RSS MB", "peak RSS MB", "seconds");
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    const auto moved =
        run({"uninstall", app, "--select", "probable", "--yes", "--launchctl", launchctl.script}, mac);
    const auto at = moved ? moved->find(marker) : std::string::npos;
    if (at == std::string::npos) {
      std::fprintf(stderr, "cycle %d: the uninstall did not record itself\n", cycle);
      return 1;
    }
    const std::string id = moved->substr(at + marker.size(), 36);
    if (!run({"restore", id, "--launchctl", launchctl.script}, mac)) {
      std::fprintf(stderr, "cycle %d: the restore of %s failed\n", cycle, id.c_str());
      return 1;
    }
    if (cycle == 1 || cycle % 100 == 0 || cycle == cycles) {
      // Each command reads the whole history, so the peak grows with it; what stays in use must not.
      platform::releaseFreeMemory();
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      samples.push_back({cycle, platform::openDescriptorCount(), megabytes(platform::currentResidentBytes()),
                         megabytes(platform::peakResidentBytes()), seconds});
      const Sample& s = samples.back();
      std::printf("%8d %12d %12.1f %12.1f %10.1f\n", s.cycle, s.descriptors, s.residentMB, s.peakMB, s.seconds);
      std::fflush(stdout);
    }
  }

  bool ok = true;
  const auto after = macTree(mac);
  if (after != before) {
    ok = false;
    std::printf("the Mac's tree differs after %d cycles (%zu entries before, %zu after)\n", cycles, before.size(),
                after.size());
  }
  const HistoryStore history(HistoryFileManager::system(), layout);
  const std::size_t records = history.records().size();
  if (records != static_cast<std::size_t>(cycles)) ok = false;
  std::error_code ec;
  std::printf("tree: %zu entries %s; history: %zu records, %.1f MB\n", after.size(),
              after == before ? "identical" : "DIFFERENT", records,
              static_cast<double>(std::filesystem::file_size(history.fileURL().path(), ec)) / (1024.0 * 1024.0));
  // Flat: from the second sample on (the first cycle warms caches), no descriptor more and at most 8 MB more.
  if (samples.size() > 2) {
    const Sample& first = samples[1];
    const Sample& last = samples.back();
    if (last.descriptors > first.descriptors || last.residentMB > first.residentMB + 8.0) {
      ok = false;
      std::printf("growth from cycle %d to %d: %+d descriptors, %+.1f MB resident\n", first.cycle, last.cycle,
                  last.descriptors - first.descriptors, last.residentMB - first.residentMB);
    }
  }
  std::printf("%s\n", ok ? "soak passed" : "soak FAILED");
  return ok ? 0 : 1;
}
