// What every system's implementation of src/platform promises, written once against its headers: these
// run on Linux here and unchanged on a Mac.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "platform/directory.h"
#include "platform/file_status.h"
#include "platform/fs_ops.h"
#include "platform/mounted_volumes.h"
#include "platform/process.h"
#include "sample_mac/sample_mac.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;
using corvane::testing::SampleMac;
using corvane::testing::TemporaryFolder;

TEST(PlatformContractTest, ExclusiveRenameNeverReplacesAndNeverFollowsAFinalLink) {
  TemporaryFolder tmp;
  const std::string t = tmp.path();
  SampleMac::writeFile(t + "/a", "a");
  SampleMac::writeFile(t + "/dest/b", "b");
  SampleMac::writeFile(t + "/real/inner", "inner");
  fs::create_symlink(t + "/a", t + "/link");
  fs::create_symlink(t + "/real", t + "/linked");
  struct Case {
    std::string from, to;
    int error;  // 0: moved
  };
  const Case cases[] = {
      {t + "/a", t + "/dest/b", EEXIST},            // a taken name is never replaced
      {t + "/missing", t + "/dest/m", ENOENT},
      {"/", t + "/dest/root", EINVAL},
      {t + "/a", t + "/linked/a", ELOOP},           // a destination folder swapped for a link is refused
      {t + "/link", t + "/dest/link", 0},           // the link moves, not its target
      {t + "/linked/inner", t + "/inner", 0},       // links on the way to the source are followed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from + " -> " + c.to);
    auto renamed = renameExclusive(c.from, c.to);
    EXPECT_EQ(renamed.has_value() ? 0 : renamed.error().code, c.error);
  }
  EXPECT_EQ(SampleMac::readFile(t + "/a"), "a");
  EXPECT_EQ(SampleMac::readFile(t + "/dest/b"), "b");
  EXPECT_EQ(fs::read_symlink(t + "/dest/link"), t + "/a");
  EXPECT_EQ(SampleMac::readFile(t + "/inner"), "inner");
  EXPECT_TRUE(fs::is_empty(t + "/real"));
}

TEST(PlatformContractTest, ListingAndLinkStatusTellLinksFromWhatTheyName) {
  TemporaryFolder tmp;
  const std::string t = tmp.path();
  SampleMac::writeFile(t + "/file", "12345");
  SampleMac::makeFolder(t + "/folder");
  SampleMac::writeFile(t + "/.hidden", "");
  fs::create_symlink(t + "/folder", t + "/link");

  auto shown = listDirectory(t);
  ASSERT_TRUE(shown.has_value());
  std::set<std::pair<std::string, std::pair<bool, bool>>> entries;
  for (const auto& e : *shown) entries.insert({e.name, {e.isDirectory, e.isSymbolicLink}});
  EXPECT_EQ(entries, (std::set<std::pair<std::string, std::pair<bool, bool>>>{
                         {"file", {false, false}}, {"folder", {true, false}}, {"link", {false, true}}}));
  EXPECT_EQ(listDirectory(t, false).value_or(std::vector<DirectoryEntry>{}).size(), 4u);
  EXPECT_EQ(listDirectory(t + "/file"), std::nullopt);

  struct Case {
    std::string name;
    FileType linkType, followedType;
  };
  for (const Case& c : {Case{"file", FileType::regular, FileType::regular},
                        Case{"folder", FileType::directory, FileType::directory},
                        Case{"link", FileType::symlink, FileType::directory}}) {
    SCOPED_TRACE(c.name);
    auto own = linkStatus(t + "/" + c.name);
    auto followed = status(t + "/" + c.name);
    ASSERT_TRUE(own && followed);
    EXPECT_EQ(own->type(), c.linkType);
    EXPECT_EQ(followed->type(), c.followedType);
  }
  EXPECT_EQ(linkStatus(t + "/file")->size, 5);
  int error = 0;
  EXPECT_EQ(linkStatus(t + "/missing", &error), std::nullopt);
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(realPath(t + "/link/"), t + "/folder");
}

TEST(PlatformContractTest, AProcessReportsItsOutputAndHowItEnded) {
  TemporaryFolder tmp;
  const std::string tool = SampleMac::writeFile(tmp.path() + "/tool", "#!/bin/sh\necho \"$1\"\necho err >&2\n"
                                                                      "[ \"$1\" = die ] && kill -TERM $$\nexit \"$2\"\n");
  fs::permissions(tool, fs::perms::owner_all);
  struct Case {
    std::vector<std::string> arguments;
    ErrorStream errors;
    std::string output;
    int status, signal;
  };
  const Case cases[] = {
      {{"hello", "0"}, ErrorStream::discarded, "hello\n", 0, 0},
      {{"hi", "3"}, ErrorStream::intoOutput, "hi\nerr\n", 3, 0},
      {{"die", "0"}, ErrorStream::discarded, "die\n", 128 + SIGTERM, SIGTERM},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0]);
    ProcessOutcome outcome = runProcess(tool, c.arguments, c.errors);
    EXPECT_EQ(outcome.launchError, 0);
    EXPECT_EQ(std::string(outcome.output.begin(), outcome.output.end()), c.output);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.terminatingSignal, c.signal);
  }
  ProcessOutcome missing = runProcess(tmp.path() + "/missing", {}, ErrorStream::discarded);
  EXPECT_EQ(missing.launchError, ENOENT);
  EXPECT_EQ(missing.status, -1);
  EXPECT_EQ(missing.launchFailure,
            "The tool " + tmp.path() + "/missing could not be launched: No such file or directory");
}

TEST(PlatformContractTest, MountedVolumesIncludeTheRootAndOnlyShownVolumes) {
  auto volumes = mountedVolumes();
  ASSERT_TRUE(volumes.has_value());
  bool hasRoot = false;
  for (const auto& v : *volumes) {
    SCOPED_TRACE(v.mountPoint);
    ASSERT_FALSE(v.mountPoint.empty());
    EXPECT_EQ(v.mountPoint.front(), '/');
    if (v.name) EXPECT_FALSE(v.name->empty());
    EXPECT_NE(v.isBrowsable, std::optional<bool>(false));  // hidden volumes are left out, not flagged
    hasRoot = hasRoot || v.mountPoint == "/";
  }
  EXPECT_TRUE(hasRoot);
}

}  // namespace
}  // namespace corvane::platform
