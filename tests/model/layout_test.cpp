#include "corvane/model/layout.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "sample_mac/sample_mac.h"
#include "platform/system_layout.h"
#include "support/result_matchers.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::SampleMac;

TEST(LayoutTest, MacPathsReachTheHostThroughTheRootAndComeBackForDisplay) {
  struct Case {
    std::string root, macPath, hostPath;
    std::optional<std::string> shownAs;  // macPath(hostPath)
  };
  const std::vector<Case> cases = {
      {"/", "/Applications/Tool.app", "/Applications/Tool.app", "/Applications/Tool.app"},
      {"/", "Applications//./Tool.app/", "/Applications/Tool.app", "/Applications/Tool.app"},
      {"/mac/root/", "/Library/../Applications/Tool.app", "/mac/root/Applications/Tool.app", "/Applications/Tool.app"},
      // A recorded path never leads out of the root.
      {"/mac/root", "/../../etc/passwd", "/mac/root/etc/passwd", "/etc/passwd"},
      {"/mac/root", "/", "/mac/root", "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.macPath + " under " + c.root);
    Layout layout = Layout::at(c.root, "/home/me");
    EXPECT_EQ(layout.hostPath(c.macPath), c.hostPath);
    EXPECT_EQ(layout.macPath(c.hostPath), c.shownAs);
    EXPECT_EQ(layout.isLiveSystem(), c.root == "/");
  }
  // A host path outside a sample root has no Mac path; a look-alike prefix is not the root.
  EXPECT_EQ(Layout::at("/mac/root", "/home/me").macPath("/mac/rootless/x"), std::nullopt);
  EXPECT_EQ(Layout::at("/mac/root", "/home/me").macPath("/home/me/Library"), std::nullopt);
}

TEST(LayoutTest, LinksResolveAsTheMacWouldResolveThem) {
  testing::TemporaryFolder tmp("corvane-layout");
  SampleMac mac(tmp.path());
  const std::string root = mac.root();
  SampleMac::makeFolder(mac.system("/Library/Caches/y"));
  SampleMac::makeFolder(mac.system("/Applications/Tool.app"));
  SampleMac::makeFolder(mac.user("Library/Caches"));
  const std::vector<std::pair<std::string, std::string>> links = {
      {mac.user("Library/Caches/x"), "/Library/Caches/y"},            // a Mac path from the home
      {mac.system("/Applications/Alias.app"), "/Applications/Tool.app"},
      {mac.system("/Applications/Up"), "../../../../.."},               // ".." stops at the root
      {mac.system("/Applications/Chain"), "Alias.app/../Up/Library"},  // a link inside a link's target
      {mac.system("/Applications/Gone"), "/Nowhere"},
      {mac.system("/Applications/Loop1"), "Loop2"},
      {mac.system("/Applications/Loop2"), "Loop1"},
  };
  for (const auto& [at, target] : links) fs::create_symlink(target, at);

  const Layout layout = Layout::at(root, mac.home());
  const std::vector<std::pair<std::string, std::string>> cases = {
      {mac.user("Library/Caches/x"), root + "/Library/Caches/y"},
      {mac.user("Library/Caches/x/../.."), root + "/Library"},
      {mac.system("/Applications/Alias.app"), root + "/Applications/Tool.app"},
      {mac.system("/Applications/Up"), root},
      {mac.system("/Applications/Chain"), root + "/Library"},
      {mac.system("/Applications/Gone"), "errno 2"},
      {mac.system("/Applications/Loop1"), "errno 40"},
      {mac.user("Library/Missing"), "errno 2"},
      {tmp.path(), tmp.path()},  // outside both, as the host resolves it
  };
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(test_support::textOrErrno(platform::resolvedPath(layout, path)), expected);
  }
  // The live system resolves against the host's own "/".
  EXPECT_EQ(test_support::textOrErrno(platform::resolvedPath(Layout::at("/", mac.home()), mac.user("Library/Caches/x"))),
            "errno 2");
  EXPECT_EQ(test_support::textOrErrno(
                platform::resolvedPath(Layout::at("/", mac.home()), mac.system("/Applications/Alias.app"))),
            "errno 2");
}

}  // namespace
}  // namespace corvane
