#include "corvane/orphans/app_departure_watcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A small Mac of three apps, each with a cache folder and a preferences file.
struct SmallMac {
  SmallMac() {
    for (const char* name : {"Tool", "Sketch", "Mixer"}) {
      const std::string id = std::string("com.acme.") + name;
      mac.addApp({name, id, "1.0", std::nullopt, {}});
      testing::SampleMac::writeFile(mac.user("Library/Caches/" + id + "/cache.db"), std::string(5000, 'c'));
      testing::SampleMac::writeFile(mac.user("Library/Preferences/" + id + ".plist"));
    }
    testing::SampleMac::makeFolder(layout.userTrash());
  }
  std::string app(const std::string& name) const { return mac.system("/Applications/" + name + ".app"); }
  std::string shown(const std::string& path) const { return fs::path(path).lexically_relative(tmp.path()).string(); }

  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home());
};

// Every departure reported within the settle time and a second more, one line each.
std::vector<std::string> departures(AppDepartureWatcher& watcher, const SmallMac& m) {
  std::vector<std::string> lines;
  const auto end = std::chrono::steady_clock::now() + 1300ms;
  while (std::chrono::steady_clock::now() < end) {
    auto got = watcher.collect();
    EXPECT_TRUE(got.has_value());
    for (const auto& d : got.value()) {
      std::string line = d.app.bundleIdentifier + " " + d.app.path + " now " +
                         (d.bundleNowAt ? m.shown(*d.bundleNowAt) : std::string("gone")) + ":";
      for (const auto& f : d.leftovers.findings)
        line += " " + std::string(stringValue(f.confidence)) + " " + m.shown(f.url.path());
      lines.push_back(line);
    }
    std::this_thread::sleep_for(20ms);
  }
  return lines;
}

std::string gone(const std::string& name, const std::string& now) {
  const std::string id = "com.acme." + name;
  return id + " /Applications/" + name + ".app now " + now + ": Probably Leftover home/Library/Preferences/" + id +
         ".plist Probably Leftover home/Library/Caches/" + id;
}

TEST(AppDepartureWatcherTest, ReportsAppsThatLeaveAndNotThoseThatComeBack) {
  struct Case {
    const char* what;
    std::function<void(SmallMac&)> act;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"moved to the Trash", [](SmallMac& m) { fs::rename(m.app("Tool"), m.layout.userTrash() + "/Tool.app"); },
       {gone("Tool", "home/.Trash/Tool.app")}},
      {"deleted outright: the catalog still knows it", [](SmallMac& m) { fs::remove_all(m.app("Tool")); },
       {gone("Tool", "gone")}},
      {"updated: the old copy to the Trash, a new one in its place",
       [](SmallMac& m) {
         fs::rename(m.app("Tool"), m.layout.userTrash() + "/Tool.app");
         m.mac.addApp({"Tool", "com.acme.Tool", "2.0", std::nullopt, {}});
       },
       {}},
      {"replaced by a new copy that arrives later",
       [](SmallMac& m) {
         m.mac.addApp(m.mac.folder(), {"Tool", "com.acme.Tool", "2.0", std::nullopt, {}});
         fs::remove_all(m.app("Tool"));
         std::this_thread::sleep_for(100ms);
         fs::rename(m.mac.folder() + "/Tool.app", m.app("Tool"));
       },
       {}},
      {"renamed inside Applications", [](SmallMac& m) { fs::rename(m.app("Tool"), m.app("Tool Pro")); }, {}},
      {"three at once",
       [](SmallMac& m) {
         for (const char* name : {"Tool", "Sketch", "Mixer"}) fs::remove_all(m.app(name));
       },
       {gone("Mixer", "gone"), gone("Sketch", "gone"), gone("Tool", "gone")}},
      {"the Applications folder itself removed", [](SmallMac& m) { fs::remove_all(m.mac.system("/Applications")); },
       {gone("Mixer", "gone"), gone("Sketch", "gone"), gone("Tool", "gone")}},
      {"the Applications folder replaced by a link to a copy",
       [](SmallMac& m) {
         fs::rename(m.mac.system("/Applications"), m.mac.folder() + "/elsewhere");
         fs::create_directory_symlink(m.mac.folder() + "/elsewhere", m.mac.system("/Applications"));
       },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SmallMac m;
    auto watcher = AppDepartureWatcher::start(m.layout, {300ms});
    ASSERT_TRUE(watcher.has_value());
    c.act(m);
    EXPECT_EQ(departures(watcher.value(), m), c.expected);
    // Applications is watched while it is a real folder; a link in its place is never watched through.
    const auto watched = watcher.value().watchedFolders();
    EXPECT_EQ(std::count(watched.begin(), watched.end(), m.mac.system("/Applications")),
              fs::is_directory(fs::symlink_status(m.mac.system("/Applications"))) ? 1 : 0);
  }
}

}  // namespace
}  // namespace corvane
