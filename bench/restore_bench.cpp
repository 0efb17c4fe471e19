// corvane-bench restore: putting a folder of N files back from the Trash by one exclusive rename, against
// putting it back by copy, verify and remove (the path taken across volumes).

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "corvane/history/restore.h"
#include "platform/directory.h"
#include "sample_mac/sample_mac.h"

namespace corvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

// A folder of `files` small files in subfolders of 1000, every tenth holding data.
void populate(const std::string& folder, int files) {
  for (int i = 0; i < files; ++i)
    testing::SampleMac::writeFile(folder + "/shard" + std::to_string(i / 1000) + "/entry" + std::to_string(i),
                                  i % 10 == 0 ? std::string(1500, 'c') : std::string("x"));
}

}  // namespace

int benchRestore(int files) {
  testing::TemporaryFolder tmp("corvane-bench");
  const std::string root = *platform::realPath(tmp.path());
  const std::string trash = root + "/.Trash";
  const std::string documents = root + "/Documents";
  std::filesystem::create_directories(trash);
  std::filesystem::create_directories(documents);
  std::printf("building a folder of %d files...\n", files);
  const RestoreExecutor executor;
  int failures = 0;
  double seconds[2] = {};
  for (bool forceCopy : {false, true}) {
    const std::string name = forceCopy ? "Copied" : "Renamed";
    populate(trash + "/" + name, files);
    const auto start = Clock::now();
    const auto outcome = executor.restore(trash + "/" + name, {name, documents, name}, {trash}, forceCopy);
    seconds[forceCopy] = std::chrono::duration<double>(Clock::now() - start).count();
    if (outcome.kind != RestoreOutcome::Kind::restored) ++failures;
  }
  std::printf("folder of %d files\n  by rename            %10.2f ms\n  by copy and remove   %10.2f ms  %8.0fx\n",
              files, seconds[0] * 1000, seconds[1] * 1000, seconds[1] / seconds[0]);
  return failures == 0 ? 0 : 1;
}

}  // namespace corvane::bench
