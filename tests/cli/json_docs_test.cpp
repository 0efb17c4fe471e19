// Every command's --json output against docs/json.md: each field the tool prints is described there, each
// field described there (but those that may be absent) is printed, with the type it says, and no location
// is written as a URL.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <filesystem>

#include "cli/cli_capture.h"
#include "corvane/history/history_store.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/launchctl_stand_in.h"
#include "sample_mac/orphaned_mac.h"

namespace corvane {
namespace {

struct Field {
  std::string type;
  bool optional = false;
};
using Records = std::map<std::string, std::map<std::string, Field>>;

std::string docText() {
  std::ifstream in(CORVANE_SOURCE_DIR "/docs/json.md");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// "### Name" and its rows "| `field` ? | type | meaning |".
Records records(const std::string& doc) {
  Records found;
  std::string current;
  std::istringstream lines(doc);
  const std::regex heading(R"(^### (\w+)$)"), row(R"(^\| `(\w+)`( \?)? \| ([^|]+?) \|)");
  std::smatch m;
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_match(line, m, heading)) current = m[1];
    else if (!current.empty() && std::regex_search(line, m, row)) found[current][m[1]] = {m[3], m[2].matched};
  }
  return found;
}

void check(const nlohmann::json& value, const std::string& type, const Records& known, const std::string& where) {
  SCOPED_TRACE(where);
  if (type.starts_with("list of ")) {
    ASSERT_TRUE(value.is_array()) << value;
    for (const auto& item : value) check(item, type.substr(8), known, where + "[]");
    return;
  }
  if (value.is_null()) return;  // a value that is not known
  if (type.starts_with("`")) {
    const std::string name = type.substr(1, type.size() - 2);
    ASSERT_TRUE(known.count(name)) << "no record " << name;
    ASSERT_TRUE(value.is_object()) << value;
    const auto& fields = known.at(name);
    for (const auto& [key, field] : fields)
      EXPECT_TRUE(field.optional || value.contains(key)) << name << "." << key << " is not printed";
    for (const auto& [key, item] : value.items()) {
      EXPECT_FALSE(key == "url" || key.ends_with("URL")) << key;
      auto field = fields.find(key);
      if (field == fields.end()) ADD_FAILURE() << name << "." << key << " is not described";
      else check(item, field->second.type, known, where + "." + key);
    }
    return;
  }
  bool fits = false;
  if (type == "integer") fits = value.is_number_integer();
  else if (type == "boolean") fits = value.is_boolean();
  else if (type == "object") fits = value.is_object();
  else if (type == "date")
    fits = value.is_string() &&
           std::regex_match(value.get<std::string>(), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"));
  else if (type == "path") fits = value.is_string() && value.get<std::string>().starts_with("/");
  else if (type == "text") fits = value.is_string();
  EXPECT_TRUE(fits) << type << ": " << value;
}

TEST(JsonDocsTest, EveryCommandPrintsWhatTheDocumentDescribes) {
  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  testing::buildDemoMac(mac);
  auto launchctl = testing::LaunchctlStandIn::write(tmp.path(), {"com.dropzone.sync.agent"});
  const std::string dropzone = mac.system("/Applications/Dropzone Sync.app");
  const std::string doc = docText();
  const Records known = records(doc);
  auto run = [&](std::vector<std::string> args) {
    args.push_back("--json");
    if (args[0] != "assess") args.insert(args.end(), {"--root", mac.root(), "--home", mac.home()});
    return testing::runCli(args);
  };
  struct Case {
    std::string command, prints;  // the document's row
    std::vector<std::string> args;
    int status = 0;
  };
  const std::vector<Case> before = {
      {"analyze APP --json", "`Snapshot`", {"analyze", "Beacon VPN"}},
      {"apps --json", "list of `Application`", {"apps"}},
      {"inspect APP --json", "`Inspection`", {"inspect", "Beacon VPN"}},
      {"background-items --json", "`BackgroundItems`", {"background-items"}},
      {"assess PATH --name NAME --json", "`Assessment`",
       {"assess", mac.user("Library/Caches/com.beaconvpn.client"), "--name", "Beacon VPN", "--bundle-id",
        "com.beaconvpn.client"}},
      {"uninstall APP --select ... --dry-run --json", "list of `Finding`", {"uninstall", dropzone, "--select", "all", "--dry-run"}},
      {"uninstall APP --select ... --json", "`UninstallRecord`",
       {"uninstall", dropzone, "--select", "probable", "--yes", "--launchctl", launchctl.script}},
      {"orphans --json", "`Orphans`", {"orphans"}},
      {"leftover-check --json", "`LeftoverCheck`", {"leftover-check"}},
      {"doctor --json", "`Doctor`", {"doctor"}},
  };
  auto checkCase = [&](const Case& c) {
    SCOPED_TRACE(c.command);
    EXPECT_NE(doc.find("| `" + c.command + "` | " + c.prints + " |"), std::string::npos) << "not in the document";
    auto printed = run(c.args);
    ASSERT_EQ(printed.status, c.status) << printed.err;
    check(nlohmann::json::parse(printed.out), c.prints, known, c.args[0]);
  };
  for (const auto& c : before) checkCase(c);

  HistoryStore history(HistoryFileManager::system(), Layout::at(mac.root(), mac.home()));
  ASSERT_EQ(history.records().size(), 1u);
  const std::string id = history.records().front().id.toString();
  const std::string trash = mac.user(".Trash");
  const std::vector<Case> after = {
      {"history --json", "list of `UninstallRecord`", {"history"}},
      {"history show ID --json", "`UninstallRecord`", {"history", "show", id}},
      {"trash --json", "list of `TrashRow`", {"trash"}},
      {"trash delete PATH... --json`, `trash empty --json", "`DeleteReport`", {"trash", "empty", "--dry-run"}},
      {"trash put-back PATH... --json", "`RestoreReport`", {"trash", "put-back", trash + "/com.dropzone.sync"}},
      // One item of the uninstall is back already: the restore puts back the rest and says so.
      {"restore RECORD-ID --json", "`RestoreReport`", {"restore", id, "--launchctl", launchctl.script}, 1},
  };
  for (const auto& c : after) checkCase(c);

  testing::addRemovedAppLeftovers(mac);
  ASSERT_TRUE(testing::recordGlimmerUninstall(mac));
  const std::vector<Case> last = {
      {"analyze --removed BUNDLE-ID --json", "`Snapshot`", {"analyze", "--removed", "com.dropzone.sync"}},
      {"orphans remove KEY... --dry-run --json", "list of `Finding`",
       {"orphans", "remove", "com.glimmerapps.Glimmer", "--dry-run"}},
      {"orphans remove KEY... --json", "`UninstallRecord`", {"orphans", "remove", "com.glimmerapps.Glimmer", "--yes"}},
  };
  for (const auto& c : last) checkCase(c);

  // The watcher's event: one line, once an app is dragged to the Trash. It lists the apps (writing the
  // catalog again) just before it starts watching.
  const std::string catalog = mac.user("Library/Application Support/Corvane/installed-apps.json");
  std::filesystem::remove(catalog);
  testing::CliOutput watched;
  std::thread watcher([&] { watched = run({"watch", "--once", "--settle", "0.2"}); });
  for (int i = 0; i < 500 && !std::filesystem::exists(catalog); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::filesystem::rename(mac.system("/Applications/Beacon VPN.app"), trash + "/Beacon VPN.app");
  watcher.join();
  ASSERT_EQ(watched.status, 0) << watched.err;
  EXPECT_NE(doc.find("| `watch --json` | `WatchEvent` |"), std::string::npos);
  EXPECT_EQ(watched.out.find('\n'), watched.out.size() - 1);
  check(nlohmann::json::parse(watched.out), "`WatchEvent`", known, "watch");
}

}  // namespace
}  // namespace corvane
