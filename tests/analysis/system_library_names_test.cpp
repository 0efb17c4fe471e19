// The system's own Library names: the compiled-in list, what each path is claimed for, and the analysis
// with look-alike apps (nothing offered), near misses (still offered) and Apple's own apps.

#include "analysis/system_library_names.h"

#include <gtest/gtest.h>

#include "corvane/analysis/app_analyzer.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace names = SystemLibraryNames;
using Role = names::Role;

TEST(SystemLibraryNamesTest, TheCompiledListReadsWholeAndBadLinesAreReported) {
  std::vector<std::size_t> malformed;
  EXPECT_EQ(names::parse(names::listText(), &malformed).size(), names::entries().size());
  EXPECT_EQ(malformed, std::vector<std::size_t>{});
  EXPECT_GT(names::entries().size(), 100u);
  for (const auto& entry : names::entries()) EXPECT_FALSE(entry.seen.empty()) << entry.name;

  const std::string text =
      "# comment\n"
      "Caches | GeoServices | system | | macOS 14 ~/Library/Caches\n"
      "Library | Fonts | store | . | macOS 14 ~/Library\n"
      "Caches | X | system | | \n"              // 4: no place seen
      "Caches | X | system | items | seen\n"    // 5: a system entry has no items
      "Caches | X | store | | seen\n"           // 6: a store needs its items
      "Caches | X | owned | | seen\n"           // 7: no such role
      "Caches | X | system | seen\n"            // 8: a field missing
      "Caches | X | store | ../up | seen\n"     // 9: items leave the entry
      "Caches | a/b | system | | seen\n";       // 10: a name is one component
  malformed.clear();
  const auto parsed = names::parse(text, &malformed);
  EXPECT_EQ(malformed, (std::vector<std::size_t>{4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(parsed, (std::vector<names::Entry>{{"Caches", "GeoServices", Role::system, {}, "macOS 14 ~/Library/Caches"},
                                               {"", "Fonts", Role::store, {""}, "macOS 14 ~/Library"}}));
}

TEST(SystemLibraryNamesTest, WhatEachPathIsClaimedFor) {
  struct Case {
    std::string relative;
    std::optional<Role> role;  // none: not claimed
    std::string entry = "";
  };
  const std::string helpd = "Caches/com.apple.helpd", recents = "Application Support/com.apple.sharedfilelist";
  const std::vector<Case> cases = {
      {"Caches/GeoServices", Role::system, "Caches/GeoServices"},
      {"caches/geoservices/tiles/1.db", Role::system, "caches/geoservices"},
      {"Caches/GeoServices Pro Data", std::nullopt},
      {"Logs/GeoServices", Role::system, "Logs/GeoServices"},  // listed in Caches: the system's in every app folder
      {"Fonts/GeoServices", std::nullopt},
      {"Application Support/AddressBook/Sources", Role::system, "Application Support/AddressBook"},
      {"Preferences/MobileMeAccounts.plist", Role::system, "Preferences/MobileMeAccounts.plist"},
      {"Mail/V10", Role::system, "Mail"},
      {"Mail/Bundles/Tidy.mailbundle", std::nullopt},  // a plug-in folder inside the system's
      {"Fonts", Role::store, "Fonts"},
      {"Fonts/Brand Sans.otf", std::nullopt},
      {"Caches/com.crashlytics.data", Role::shared, "Caches/com.crashlytics.data"},
      {"Caches/com.crashlytics.data/com.vendor.app", std::nullopt},
      {"Logs/DiagnosticReports", Role::store, "Logs/DiagnosticReports"},
      {"Logs/DiagnosticReports/Tidy_2024-05-01.ips", std::nullopt},
      {"Caches/DiagnosticReports/Tidy.log", Role::system, "Caches/DiagnosticReports"},  // macOS's name elsewhere
      {"Application Support/CloudDocs/session", Role::store, "Application Support/CloudDocs"},
      {"Application Support/CloudDocs/session/containers/iCloud.com.vendor.app.plist", std::nullopt},
      {"Application Support/FileProvider/com.vendor.app.provider", std::nullopt},
      {"Safari/Extensions/Open in Tidy.safariextz", std::nullopt},
      {"Safari/History.db", Role::store, "Safari"},
      {recents + "/FavoriteItems.sfl2", Role::store, recents},
      {recents + "/com.apple.LSSharedFileList.ApplicationRecentDocuments/com.vendor.app.sfl2", std::nullopt},
      {recents + "/com.apple.LSSharedFileList.ApplicationRecentDocuments/com.apple.Safari.sfl2", Role::system,
       recents + "/com.apple.LSSharedFileList.ApplicationRecentDocuments/com.apple.Safari.sfl2"},
      {helpd + "/Generated/com.vendor.app.help", std::nullopt},
      {helpd + "/SDMHelpData/Other/Tidy", std::nullopt},
      {helpd + "/Cache.db", Role::store, helpd},
      {"Caches/com.apple.Safari/WebKit", Role::system, "Caches/com.apple.Safari"},
      {"Containers/com.apple.mail", Role::system, "Containers/com.apple.mail"},
      {"Group Containers/group.com.apple.notes", Role::system, "Group Containers/group.com.apple.notes"},
      {"Group Containers/243LU875E5.groups.com.apple.podcasts", Role::system,
       "Group Containers/243LU875E5.groups.com.apple.podcasts"},
      {"Group Containers/243LU875.groups.com.apple.podcasts", std::nullopt},  // not a team prefix
      {"Preferences/ByHost/com.apple.screensaver.0A1B.plist", Role::system,
       "Preferences/ByHost/com.apple.screensaver.0A1B.plist"},
      {"Preferences/ByHost/com.vendor.app.0A1B.plist", std::nullopt},
      {"Caches/com.applesauce.app", std::nullopt},
      // Trimmed and empty pieces; names beyond ASCII.
      {" Caches /GEOSERVICES\t//x", Role::system, "Caches/GEOSERVICES"},
      {"Caches/GeoServices/Kärtchen", Role::system, "Caches/GeoServices"},
      {"Caches/Bücher", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.relative);
    auto claim = names::claimBelowLibrary(c.relative);
    ASSERT_EQ(claim.has_value(), c.role.has_value());
    if (!claim) continue;
    EXPECT_EQ(claim->role, *c.role);
    EXPECT_EQ(claim->entry, c.entry);
  }
  // Only below a Library folder: the longest that holds the path decides.
  const std::vector<std::string> libraries = {"/r/Library", "/r/Users/u/Library"};
  EXPECT_EQ(names::claim("/r/Users/u/Library/Caches/GeoServices", libraries)->entry, "Caches/GeoServices");
  EXPECT_FALSE(names::claim("/r/Users/u/Documents/Caches/GeoServices", libraries));
  EXPECT_FALSE(names::claim("/r/Library", libraries));
}

// The analysis of a look-alike app: the system's folder named like it is never offered, while the base
// rules alone still offer it exactly as they always did.
TEST(SystemLibraryNamesTest, LookAlikeAppsGetNothingNearMissesAndApplesOwnAppsKeepTheirs) {
  testing::TemporaryFolder tmp("corvane-system-names");
  testing::SampleMac mac(tmp.path());
  struct Case {
    std::string item;  // below ~/Library, or "/Library/..." in the system's
    std::string app;
    std::string bundleID = "";    // default: com.thirdparty.<app lower-cased, no spaces>
    std::string baseRules = "";   // what the base rules alone give: "tier score"
    std::string withLayer = "";   // what the full analysis gives; empty: nothing
  };
  const std::vector<Case> cases = {
      {"Application Support/AddressBook", "AddressBook", "", "Review 42"},
      {"Application Support/Knowledge", "Knowledge", "", "Review 42"},
      {"Application Support/CallHistoryDB", "CallHistoryDB", "", "Review 42"},
      {"Caches/GeoServices", "GeoServices", "", "Probably Leftover 54"},
      {"Caches/CloudKit", "CloudKit", "", "Probably Leftover 54"},
      {"Caches/FamilyCircle", "Family Circle", "", "Probably Leftover 54"},
      {"Logs/CoreSimulator", "Core Simulator", "", "Review 42"},
      {"Logs/DiagnosticReports", "Diagnostic Reports", "", "Review 42"},
      {"Preferences/MobileMeAccounts.plist", "MobileMe Accounts", "", "Probably Leftover 54"},
      {"/Library/Application Support/ProApps", "ProApps", "", "Review 42"},
      {"Caches/com.crashlytics.data", "Crashlytics", "", "Review 38"},
      {"Application Support/CrashReporter", "CrashReporter", "", "Review 42"},
      // Near misses: the app's own folder that merely contains a system name (its data folder, which the
      // extended matching lifts).
      {"Caches/GeoServices Pro Data", "GeoServices Pro", "", "Review 38", "Probably Leftover 100"},
      // (an uncommon exact name reaches Probably Leftover through the extended matching)
      {"Application Support/Knowledge Base", "Knowledge Base", "", "Review 42", "Probably Leftover 65"},
      // Apple's own apps keep their folders; a folder of many apps' items is still no one's whole.
      {"Application Support/iMovie", "iMovie", "com.apple.iMovieApp", "Review 42", "Probably Leftover 65"},
      {"Caches/com.apple.iMovieApp", "iMovie", "com.apple.iMovieApp", "Safe to Remove 82", "Safe to Remove 82"},
      {"Logs/DiagnosticReports", "Diagnostic Reports", "com.apple.DiagnosticReports", "Review 42"},
  };
  for (const auto& c : cases)
    mac.makeFolder(c.item.front() == '/' ? mac.system(c.item) : mac.user("Library/" + c.item));
  AppAnalyzer::Collaborators collaborators;
  collaborators.runningApplications = [] { return std::vector<RunningApplication>{}; };
  collaborators.requiresAdministrator = [](const Url&) { return false; };
  const Layout layout = Layout::at(mac.root(), mac.home());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.app + " / " + c.item);
    std::string id = c.bundleID;
    if (id.empty()) {
      id = "com.thirdparty.";
      for (char ch : c.app)
        if (ch != ' ') id += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    const AppIdentity identity{c.app, id, {}, {}, {}, {}, {}};
    const std::string path = c.item.front() == '/' ? mac.system(c.item) : mac.user("Library/" + c.item);
    std::vector<FileFinding> withheld;
    auto offered = [&](bool layers) {
      AppAnalyzer::Options options;
      options.extendedMatching = options.systemOwnership = layers;
      options.withheld = [&](FileFinding f) { withheld.push_back(std::move(f)); };
      for (const auto& f : AppAnalyzer(layout, collaborators, options)
                               .analyze(identity, Url::fileURL(mac.system("/Applications/" + c.app + ".app")), {}, {})
                               .findings)
        if (f.url.path() == path) return std::string(stringValue(f.confidence)) + " " + std::to_string(f.score);
      return std::string();
    };
    EXPECT_EQ(offered(false), c.baseRules);
    EXPECT_TRUE(withheld.empty());
    EXPECT_EQ(offered(true), c.withLayer);
    // What was withheld is told, with the claim last.
    const bool told = std::any_of(withheld.begin(), withheld.end(), [&](const FileFinding& f) { return f.url.path() == path; });
    EXPECT_EQ(told, c.withLayer.empty());
  }

  // The claim, for the record.
  std::vector<FileFinding> withheld;
  AppAnalyzer::Options options;
  options.withheld = [&](FileFinding f) { withheld.push_back(std::move(f)); };
  AppAnalyzer(layout, collaborators, options)
      .analyze(AppIdentity{"GeoServices", "com.thirdparty.geoservices", {}, {}, {}, {}, {}},
               Url::fileURL(mac.system("/Applications/GeoServices.app")), {}, {});
  ASSERT_EQ(withheld.size(), 1u);
  const MatchEvidence& why = withheld[0].evidence.back();
  EXPECT_EQ(why.kind, EvidenceKind::sharedOwnership);
  EXPECT_EQ(why.weight, 0);
  EXPECT_EQ(why.explanation,
            "Caches/GeoServices belongs to macOS (seen: macOS 14 ~/Library/Caches), so it is never offered to an app "
            "that is not Apple's own.");
}

}  // namespace
}  // namespace corvane
