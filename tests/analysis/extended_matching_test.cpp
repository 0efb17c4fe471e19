// The extended matching: each kind of item the base rules pass over, with a near miss that must not match,
// and on a small tree through the analyzer: Review at most, off with the base rules alone, and a
// co-installed app's stronger claim winning.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "analysis/analyzer_texts.h"
#include "analysis/extended_matching.h"
#include "corvane/analysis/app_analyzer.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using ExtendedMatching::Claim;
using ExtendedMatching::Matcher;

AppIdentity app(std::string name, std::string id) { return AppIdentity{std::move(name), std::move(id), {}, {}, {}, {}, {}}; }

// One case per rule of the table and a near miss: `name` is the path below the search location's folder,
// `explanation` the evidence the rule gives (empty: no rule holds).
struct RuleCase {
  AppIdentity identity;
  std::vector<AppIdentity> peers;
  std::string name;
  std::string explanation;
  FindingKind kind = FindingKind::other;  // of the search location
};

std::vector<RuleCase> reviewCases() {
  const AppIdentity zoom = app("zoom.us", "us.zoom.xos"), slack = app("Slack", "com.tinyspeck.slackmacgap");
  const AppIdentity docker = app("Docker", "com.docker.docker"), edge = app("Microsoft Edge", "com.microsoft.edgemac");
  const AppIdentity earth = app("Google Earth Pro", "com.Google.GoogleEarthPro"), zed = app("Zed", "dev.zed.Zed");
  const AppIdentity istat = app("iStat Menus", "com.bjango.istatmenus"), vmware = app("VMware Fusion", "com.vmware.fusion");
  const AppIdentity epic = app("Epic Games Launcher", "com.epicgames.EpicGamesLauncher");
  const AppIdentity snitch = app("Little Snitch", "at.obdev.LittleSnitchConfiguration");
  const AppIdentity cleanshot = app("CleanShot X", "pl.maketheweb.cleanshotx");
  return {
      {zoom, {}, "zoom.us", "Named exactly for the application name zoom.us, whose last dot-label is part of the name; held at Review."},
      {zoom, {}, "zoomed.plist", ""},
      {zoom, {}, "ZoomUpdater", "Named as the application name zoom followed directly by the word Updater, the way its helpers are named; held at Review."},
      {zoom, {}, "Zoomerang", ""},
      {zoom, {}, "iCloud.us.zoom.videomeetings",
       "Named under this app's vendor prefix us.zoom, which no other installed app uses; held at Review because the vendor may ship more apps."},
      {istat, {}, "y93tk974at.com.bjango.istatmenus.agent.mas.sfl2",
       "Named for this app's identifier family (com.bjango.istatmenus) behind a developer-team prefix; held at Review because no signature declares it."},
      {istat, {}, "y93tk974at.com.bjango.other.sfl2", ""},
      {app("KeePassXC", "org.keepassxc.keepassxc"), {}, "org.keepassx.keepassxc",
       "Named like an identifier whose last label is the application name KeePassXC; held at Review because the identifier is not this app's."},
      {app("KeePassXC", "org.keepassxc.keepassxc"), {}, "org.keepassx.keepassxc2", ""},
      {vmware, {}, "VMware", "Named for this app's vendor VMware, from which no other app is installed; held at Review because it may hold the vendor's other products' data."},
      {vmware, {}, "VMware Graphics Service.log",
       "Named starting with this app's vendor VMware, from which no other app is installed; held at Review because the vendor may ship more apps."},
      {vmware, {app("VMware Horizon", "com.vmware.horizon")}, "VMware Graphics Service.log", ""},
      {epic, {}, "Epic", "Named Epic, the first word of the application name and of its vendor's; held at Review."},
      {epic, {app("Epic Pen", "com.tankstudios.epicpen")}, "Epic", ""},
      {snitch, {}, "LittleSnitch.kext",
       "Named exactly for the application name Little Snitch where items are usually tied by their identifier; held at Review."},
      {snitch, {}, "LittleSnitcher.kext", ""},
      {slack, {}, "ABCDE12345.com.tinyspeck.slackmacgap",
       "Named for this app's identifier com.tinyspeck.slackmacgap behind a developer-team prefix; held at Review because no signature declares it."},
      {slack, {}, "ABCDE12345.com.tinyspeck.slackmacgap.helper",
       "Named for a member of this app's identifier family (com.tinyspeck.slackmacgap) behind a developer-team prefix; held at Review because no signature declares it."},
      {slack, {}, "ABCDE12345.slack",
       "Named for the application name Slack behind a developer-team prefix; held at Review because no signature declares it."},
      {slack, {}, "abcde12345.slack", ""},  // not a team prefix
      {slack, {}, "com.tinyspeck.slackmacgapHelper",
       "Named as this app's identifier com.tinyspeck.slackmacgap followed directly by the word Helper, the way its helpers are named; held at Review."},
      {slack, {app("Other", "com.tinyspeck.other")}, "com.tinyspeck.slackmacgapx", ""},
      {docker, {}, "com.docker.vmnetd",
       "Named under this app's vendor prefix com.docker, which no other installed app uses; held at Review because the vendor may ship more apps."},
      {docker, {app("Docker Scout", "com.docker.scout")}, "com.docker.vmnetd", ""},
      {earth, {}, "Google Earth", "Named Google Earth, the application name without its trailing qualifier; held at Review."},
      {earth, {app("Google Earth Studio", "com.google.earthstudio")}, "Google Earth", ""},
      {edge, {}, "Microsoft/EdgeUpdater",
       "Found in the vendor folder Microsoft and named for this app's product; held at Review."},
      {edge, {}, "Microsoft/Edgewise", ""},
      {edge, {app("Microsoft Word", "com.microsoft.Word")}, "com.microsoft.EdgeUpdater.wake.system",
       "Named under the vendor prefix com.microsoft for this app's product Edge; held at Review because other apps of the vendor share the prefix."},
      {edge, {app("Microsoft Word", "com.microsoft.Word")}, "com.microsoft.Edgewise", ""},
      {zed, {}, "Zed", "Named with the short application name Zed as a whole word; short names match by accident more easily, so it is held at Review."},
      {zed, {}, "zed-preview", "Named with the short application name Zed as a whole word; short names match by accident more easily, so it is held at Review."},
      {docker, {}, "com.electron.dockerdesktop",
       "Named dockerdesktop: the application name Docker run together with an edition or a role word; held at Review."},
      {docker, {}, "com.electron.dockerhub", ""},
      {app("ChatGPT", "com.openai.codex"), {}, "Codex", "Named exactly for the label codex of this app's identifier; held at Review."},
      {app("ChatGPT", "com.openai.codex"), {}, "Codexes", ""},
      {cleanshot, {}, "com.getcleanshot.app.plist",
       "Named under com.getcleanshot, a web domain made of the application name CleanShot X; held at Review because the vendor may ship more apps."},
      {cleanshot, {}, "io.cleanshothq.sync", "Named under io.cleanshothq, a web domain made of the application name CleanShot X; held at Review because the vendor may ship more apps."},
      {cleanshot, {}, "com.forgetcleanshot.app.plist", ""},
      {cleanshot, {app("Shot Sync", "com.getcleanshot.sync")}, "com.getcleanshot.app.plist", ""},
      {app("Loom", "com.loom.desktop"), {}, "com.getloom.app.plist", ""},  // an everyday word
      {zed, {}, "Zedge", ""},
      {zed, {}, "Blazed", ""},
      {app("Webex", "Cisco-Systems.Spark"), {}, "SparkMacDesktop",
       "Named as the label Spark of this app's identifier followed by MacDesktop, an edition or a role; held at Review."},
      {app("Webex", "Cisco-Systems.Spark"), {}, "SparkPlug", ""},
      {app("Webex", "Cisco-Systems.Spark"), {}, "Sparkle Desktop", ""},
      {app("Webex", "Cisco-Systems.Spark"), {}, "Spark Desktop", ""},  // another product's name, as likely
  };
}

std::vector<RuleCase> strongCases() {
  AppIdentity slack = app("Slack", "com.tinyspeck.slackmacgap");
  slack.teamIdentifier = "BQR82RBBHL";
  const AppIdentity docker = app("Docker", "com.docker.docker"), istat = app("iStat Menus", "com.bjango.istatmenus");
  const AppIdentity edge = app("Microsoft Edge", "com.microsoft.edgemac"), word = app("Microsoft Word", "com.microsoft.Word");
  const AppIdentity vmware = app("VMware Fusion", "com.vmware.fusion");
  const AppIdentity quill = app("Acme Quillpad", "com.acme.qpad"), notes = app("Acme Notes", "com.acme.notes");
  const std::string dockerPrefix = "Named under the vendor prefix com.docker, which no other installed app shares, for this app's product Docker.";
  return {
      {slack, {}, "BQR82RBBHL.com.tinyspeck.slackmacgap",
       "Named for this app's identifier com.tinyspeck.slackmacgap behind the developer team BQR82RBBHL that the app's signature declares."},
      {slack, {}, "BQR82RBBHL.com.tinyspeck.slackmacgap.helper",
       "Named for a member of this app's identifier family com.tinyspeck.slackmacgap behind the developer team BQR82RBBHL that the app's signature declares."},
      {slack, {}, "BQR82RBBHL.slack",
       "Named for the application name Slack behind the developer team BQR82RBBHL that the app's signature declares."},
      {slack, {}, "ABCDE12345.com.tinyspeck.slackmacgap", ""},  // another team
      {slack, {}, "BQR82RBBHL.com.tinyspeck.other", ""},
      {app("Slack", "com.tinyspeck.slackmacgap"), {}, "ABCDE12345.com.tinyspeck.slackmacgap", ""},  // no signature
      {docker, {}, "com.docker.vmnetd", dockerPrefix},
      {docker, {}, "group.com.docker", dockerPrefix},
      {docker, {app("Docker Scout", "com.docker.scout")}, "com.docker.vmnetd", ""},
      {docker, {}, "com.dockerhub.cli", ""},
      {istat, {}, "com.bjango.iStatMenusAgent",
       "Named as this app's identifier com.bjango.istatmenus followed directly by the word Agent, the way its helpers are named."},
      {istat, {}, "com.bjango.istatmenus7.extras",
       "Named under the vendor prefix com.bjango, which no other installed app shares, for this app's product iStat Menus."},
      {istat, {}, "com.bjango.istatistica", ""},
      {istat, {}, "com.bjango.Wireframe", ""},
      {edge, {}, "com.microsoft.EdgeUpdater",
       "Named under the vendor prefix com.microsoft, which no other installed app shares, for this app's product Edge."},
      {edge, {}, "com.microsoft.OneDrive", ""},
      {edge, {app("OneDrive", "com.microsoft.OneDrive")}, "com.microsoft.EdgeUpdater", ""},  // an everyday word under a shared vendor
      {app("Safari Tool", "com.apple.safaritool"), {}, "com.apple.Safari", ""},
      {app("zoom.us", "us.zoom.xos"), {}, "iCloud.us.zoom.videomeetings",
       "Named under the vendor prefix us.zoom, which no other installed app shares, for this app's product zoom.us."},
      {app("Karabiner-Elements", "org.pqrs.Karabiner-Elements"), {}, "org.pqrs.karabiner.agent.karabiner_grabber",
       "Named under the vendor prefix org.pqrs, which no other installed app shares, for this app's product line Karabiner."},
      {app("Karabiner-Elements", "org.pqrs.Karabiner-Elements"), {}, "org.pqrs.karabinerx.tool", ""},
      {app("Karabiner-Elements", "org.pqrs.Karabiner-Elements"), {app("Karabiner Lite", "com.other.kl")}, "org.pqrs.karabiner.agent", ""},
      {quill, {notes}, "com.acme.QuillpadUpdater.wake",
       "Named under the vendor prefix com.acme for this app's product Quillpad with nothing but a role or an edition."},
      {quill, {notes}, "com.acme.QuillpadSync", ""},
      {docker, {}, "com.electron.dockerdesktop",
       "Named dockerdesktop under the prefix com.electron, which frameworks give to apps of many vendors: the application name Docker, which is no everyday word, with nothing but an edition or a role."},
      {docker, {}, "com.electron.dockerhub", ""},
      {docker, {}, "regid.1986-12.com.docker", dockerPrefix},  // a software tag
      {docker, {}, "regid.1986-12.com.dockerhub", ""},
      {app("Google Drive", "com.google.drivefs"), {}, "Google/DriveFS",
       "Found in the vendor folder Google and named exactly for the label drivefs of this app's identifier."},
      {app("Google Drive", "com.google.drivefs"), {}, "Other/DriveFS", ""},
      {app("Google Chrome", "com.google.Chrome"), {}, "Google/Chrome",
       "Found in the folder of the vendor Google, from which no other app is installed, and named for this app's product Chrome."},
      {app("Google Chrome", "com.google.Chrome"), {app("Google Drive", "com.google.drivefs")}, "Google/Chrome", ""},  // an everyday word
      {app("Google Chrome", "com.google.Chrome"), {}, "GoogleSoftwareUpdate",
       "Named GoogleSoftwareUpdate: the updater of this app's vendor, from which no other app is installed."},
      {app("Google Chrome", "com.google.Chrome"), {}, "com.google.GoogleUpdater.wake",
       "Named for the updater of the vendor prefix com.google, which no other installed app shares."},
      {app("Google Chrome", "com.google.Chrome"), {app("Google Drive", "com.google.drivefs")}, "GoogleSoftwareUpdate", ""},
      {app("Google Chrome", "com.google.Chrome"), {}, "GoogleUpdaterTools", ""},
      {app("Microsoft Teams", "com.microsoft.teams2"), {}, "Microsoft/Teams",
       "Found in the folder of the vendor Microsoft, from which no other app is installed, and named for this app's product Teams."},
      {app("Microsoft Teams", "com.microsoft.teams2"), {app("Microsoft Word", "com.microsoft.Word")}, "Microsoft/Teams", ""},
      {app("Microsoft Teams", "com.microsoft.teams2"), {}, "Microsoft/Teamsters", ""},
      {app("Viber", "com.viber.osx"), {}, "ViberPC",
       "Named ViberPC: the application name Viber, which is no everyday word, with nothing but a version, a date, an edition or the role of one of its processes."},
      {vmware, {}, "VMware Graphics Service.log",
       "A log named for this app's vendor VMware, from which no other app is installed; logs hold nothing a user keeps.", FindingKind::log},
      {vmware, {}, "VMware Graphics Service.log", ""},  // not among logs
      {vmware, {}, "VMware", "", FindingKind::log},      // a folder: the logs of all the vendor's products
      {vmware, {app("VMware Horizon", "com.vmware.horizon")}, "VMware.log", "", FindingKind::log},
      {app("Adobe Creative Cloud", "com.adobe.acc.AdobeCreativeCloud"), {}, "com.adobe.acc.helper",
       "Named under the vendor prefix com.adobe, which no other installed app shares, for this app's product Adobe Creative Cloud."},
      {app("Adobe Creative Cloud", "com.adobe.acc.AdobeCreativeCloud"), {}, "com.adobe.headlights.helper", ""},
      {app("Firefox", "org.mozilla.firefox"), {}, "org.mozilla.crashreporter",
       "Named for the crash reporter of the vendor prefix org.mozilla, which no other installed app shares."},
      {app("Firefox", "org.mozilla.firefox"), {app("Firefox Nightly", "org.mozilla.nightly")}, "org.mozilla.crashreporter", ""},
      {app("Webex", "Cisco-Systems.Spark"), {}, "com.webex.meetingmanager",
       "Named like an identifier of this app's product Webex under the prefix com.webex, which no installed app uses."},
      {app("Webex", "Cisco-Systems.Spark"), {app("Webex Meetings", "com.webex.meetings")}, "com.webex.meetingmanager", ""},
      {app("Sourcetree", "com.torusknot.SourceTreeNotMAS"), {}, "com.atlassian.SourceTreePrivilegedHelper2",
       "Named like an identifier of this app's product Sourcetree under the prefix com.atlassian, which no installed app uses."},
      {app("Sourcetree", "com.torusknot.SourceTreeNotMAS"), {}, "com.atlassian.sourcetreeprivileged", ""},
      {app("PyCharm", "com.jetbrains.pycharm"), {}, "PyCharm2025.1",
       "Named PyCharm2025.1: the application name PyCharm, which is no everyday word, with nothing but a version, a date, an edition or the role of one of its processes."},
      {app("Little Snitch", "at.obdev.LittleSnitchConfiguration"), {}, "Little Snitch Helper.log",
       "Named Little Snitch Helper: the application name Little Snitch, which is no everyday word, with nothing but a version, a date, an edition or the role of one of its processes."},
      {app("Little Snitch", "at.obdev.LittleSnitchConfiguration"), {}, "Little Snitch Notes.log", ""},
      {app("Dropbox", "com.getdropbox.dropbox"), {}, "Dropbox_debug.log",
       "Named Dropbox_debug: the application name Dropbox, which is no everyday word, with nothing but a version, a date, an edition or the role of one of its processes."},
      {app("Dropbox", "com.getdropbox.dropbox"), {}, "Dropbox_debugger.log", ""},
      {app("Tor Browser", "org.torproject.torbrowser"), {}, "TorBrowser-Data",
       "Named TorBrowser-Data: the application name Tor Browser, which is no everyday word, with nothing but a version, a date, an edition or the role of one of its processes."},
      {app("Tor Browser", "org.torproject.torbrowser"), {}, "TorBrowser-Database", ""},
      {app("MuseScore 4", "org.musescore.MuseScore4"), {}, "MuseScore",
       "Named MuseScore: the application name MuseScore 4, which is no everyday word, with nothing but a version, a date, an edition or the role of one of its processes."},
      {app("MuseScore 4", "org.musescore.MuseScore4"), {app("MuseScore Studio", "org.other.ms")}, "MuseScore", ""},
      {app("PyCharm", "com.jetbrains.pycharm"), {}, "PyCharmer", ""},
      {app("Transmission", "org.m0k.transmission"), {}, "Transmission 3", ""},  // an everyday word
      {app("Webex", "Cisco-Systems.Spark"), {}, "Cisco Spark", "Named Cisco Spark: the vendor and the product that this app's identifier names."},
      {app("Chrome", "com.google.Chrome"), {}, "Google-Chrome", "Named Google-Chrome: the vendor and the product that this app's identifier names."},
      {app("Webex", "Cisco-Systems.Spark"), {}, "Cisco Spark Board", ""},
      {app("Webex", "Cisco-Systems.Spark"), {}, "Cisco Systems", ""},
      {app("Foo", "com.foo"), {}, "Com Foo", ""},  // no vendor label
      {app("Zed", "dev.zed.Zed"), {}, "Zed", "Named exactly for the short application name Zed, which this app's identifier also gives as its label zed."},
      {app("Zed", "dev.zed.Zed"), {}, "Zed-Preview", ""},
      {app("UTM", "com.example.tool"), {}, "UTM", ""},  // the identifier does not name it
      {app("OBS", "com.obsproject.obs-studio"), {}, "obs-studio",
       "Named exactly for the label obs-studio of this app's identifier, which joins words the vendor chose for this app."},
      {app("OBS", "com.obsproject.obs-studio"), {}, "obs-studio-extras", ""},
      {app("Notes", "com.acme.notes-app"), {}, "Notes App", ""},  // an everyday word
  };
}

TEST(ExtendedMatchingTest, EachKindOfItemAndItsNearMiss) {
  for (const auto& c : reviewCases()) {
    SCOPED_TRACE(c.identity.name + " / " + c.name);
    auto why = Matcher(c.identity, c.peers).assess(Url::fileURL("/L/Caches/" + c.name), c.name);
    EXPECT_EQ(why ? why->explanation : "", c.explanation);
    if (why) {
      EXPECT_LE(why->weight, ExtendedMatching::kMaximumWeight);
    }
  }
}

TEST(ExtendedMatchingTest, StrongEvidenceAndItsNearMiss) {
  for (const auto& c : strongCases()) {
    SCOPED_TRACE(c.identity.name + " / " + c.name);
    auto why = Matcher(c.identity, c.peers).strong(Url::fileURL("/L/Caches/" + c.name), c.name, c.kind);
    EXPECT_EQ(why ? why->explanation : "", c.explanation);
    EXPECT_EQ(why ? why->weight : ExtendedMatching::kStrongWeight, ExtendedMatching::kStrongWeight);
  }
  for (const auto& [name, common] : std::vector<std::pair<std::string, bool>>{
           {"Stats", true}, {"Loom", true}, {"Notes", true}, {"Spotify", false}, {"Sublime Text", false}, {"Zed", false}}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Matcher(app(name, "com.example.x"), {}).nameIsCommonWord(), common);
  }
}

// Every row of the rule table is the first to hold for some case above, so a row without a test fails here.
TEST(ExtendedMatchingTest, EveryRuleHasItsCase) {
  using namespace ExtendedMatching;
  std::set<std::string_view> unused;
  for (const Rule& rule : rules()) {
    EXPECT_TRUE(unused.insert(rule.name).second) << rule.name;
    EXPECT_LE(rule.weight, rule.reach == Reach::review ? kMaximumWeight : kStrongWeight) << rule.name;
  }
  for (const auto& [reach, cases] : {std::pair{Reach::review, reviewCases()}, std::pair{Reach::probablyLeftover, strongCases()}})
    for (const auto& c : cases) {
      const AppFacts facts = AppFacts::of(c.identity, c.peers);
      const Url url = Url::fileURL("/L/Caches/" + c.name);
      if (const auto holding = firstHolding(reach, facts, Item(url, facts, c.name, c.kind))) unused.erase(holding->rule->name);
    }
  EXPECT_EQ(unused, std::set<std::string_view>{});
}

TEST(ExtendedMatchingTest, ClaimsAndOtherChannels) {
  struct Case {
    AppIdentity identity;
    std::string name;
    Claim claim;
  };
  const std::vector<Case> cases = {
      {app("Code", "com.example.code"), "keepcoder", Claim::fragment},
      {app("Code", "com.example.code"), "Code Helper", Claim::wholeWord},
      {app("Elements", "org.example.el"), "Karabiner-Elements", Claim::wholeWord},
      {app("Element", "org.example.el"), "Karabiner-Elements", Claim::fragment},
      {app("PyCharm", "com.jetbrains.pycharm"), "PyCharm2023.3", Claim::wholeWord},
      {app("PyCharm", "com.jetbrains.pycharm"), "com.jetbrains.pycharm.plist", Claim::exactIdentifier},
      {app("Slack", "com.tinyspeck.slackmacgap"), "ABCDE12345.com.tinyspeck.slackmacgap", Claim::exactIdentifier},
      {app("Firefox Nightly", "org.mozilla.nightly"), "Firefox Nightly", Claim::exactName},
      {app("Arc", "company.thebrowser.Browser"), "Search", Claim::none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.identity.name + " / " + c.name);
    EXPECT_EQ(Matcher::claim(c.identity, Url::fileURL("/L/Caches/" + c.name)), c.claim);
  }
  const std::string homeNote = "; held at Review because apps do not record such folders.";
  const Matcher zoom(app("zoom.us", "us.zoom.xos"), {});
  for (const auto& [name, explanation] : std::vector<std::pair<std::string, std::string>>{
           {".zoomus", "Named exactly for the application name zoom.us in the home folder" + homeNote},
           {"Zoom", "Named exactly for the application name zoom.us in the home folder" + homeNote},
           {".zoomed", ""}, {"Zoom Recordings", ""}}) {
    SCOPED_TRACE(name);
    auto why = zoom.assessHomeItem(name, "in the home folder");
    EXPECT_EQ(why ? why->explanation : "", explanation);
  }
  EXPECT_FALSE(Matcher(app("Music", "com.example.music"), {}).assessHomeItem("Music", "in the home folder"));
  const Matcher orb(app("OrbStack", "dev.kdrag0n.MacVirt"), {});
  EXPECT_EQ(orb.assessHomeItem(".macvirt", "in the home folder")->explanation,
            "Named exactly for the label macvirt of this app's identifier in the home folder" + homeNote);
  EXPECT_FALSE(orb.assessHomeItem("macvirt", "in the home folder"));  // visible: the user's own
  const AppIdentity karabiner = app("Karabiner-Elements", "org.pqrs.Karabiner-Elements");
  EXPECT_EQ(Matcher(karabiner, {}).assessHomeItem("karabiner", "in the home folder's .config folder")->explanation,
            "Named exactly for this app's product line Karabiner in the home folder's .config folder" + homeNote);
  EXPECT_FALSE(Matcher(karabiner, {app("Karabiner Lite", "com.other.kl")}).assessHomeItem("karabiner", "in the home folder's .config folder"));
  const Matcher iina(app("IINA", "com.colliderli.iina"), {});
  EXPECT_EQ(iina.assessExtension("Open in IINA.safariextz")->explanation,
            "A browser extension named for the application name IINA; held at Review.");
  EXPECT_FALSE(iina.assessExtension("IINAX.safariextz"));
  const Matcher edge(app("Microsoft Edge", "com.microsoft.edgemac"), {});
  EXPECT_TRUE(edge.isOtherChannel(Url::fileURL("/L/Caches/Microsoft Edge Beta")));
  EXPECT_FALSE(edge.isOtherChannel(Url::fileURL("/L/Caches/Microsoft Edge")));
}

// The analyzer on a small Mac: what the extended matching adds, at Review, and what a peer takes away.
TEST(ExtendedMatchingTest, AnalyzerAddsReviewFindingsOnlyWhenSwitchedOn) {
  testing::TemporaryFolder tmp("corvane-extended");
  testing::SampleMac mac(tmp.path());
  mac.writeFile(mac.system("/Library/LaunchDaemons/com.harbor.backup.daemon.plist"),
                testing::xmlPlist({{"Label", "com.harbor.backup.daemon"}}));
  mac.makeFolder(mac.user("Library/Caches/Harbor/Harbor Backup"));     // deeper than Caches is listed
  mac.makeFolder(mac.user("Library/Caches/Harbor Backup Beta"));       // another channel
  mac.makeFolder(mac.user("Library/Application Support/Harbor Backup Sync"));  // a peer's exact name
  mac.makeFolder(mac.user("Library/Harbor/Backup Agent"));             // the product in the vendor's own folder
  mac.makeFolder(mac.user(".config/harbor backup"));                   // a configuration folder
  mac.makeFolder(mac.user(".config/harbor"));                          // not the app's name
  mac.makeFolder(mac.user("Harbor Backup"));                           // the user's own, visible
  mac.makeFolder(mac.user("Library/Caches/SentryCrash/Harbor Backup"));          // a shared crash store
  mac.makeFolder(mac.user("Library/Caches/com.crashkit.data/com.harbor.backup"));  // one named "<id>.data"
  mac.makeFolder(mac.user("Library/Caches/com.other.tool/Harbor Backup"));       // another app's own folder
  mac.makeFolder(mac.user("Library/Logs/Harbor/Harbor Backup"));                  // beside a file of nobody's:
  mac.writeFile(mac.user("Library/Logs/Harbor/notes.txt"), "x");                  // the vendor folder stays
  mac.writeFile(mac.user("Library/Application Support/CrashReporter/Harbor Backup_2024-05-01.plist"), "x");  // macOS's
  const AppIdentity harbor = app("Harbor Backup", "com.harbor.backup");
  const std::vector<AppIdentity> peers = {app("Harbor Backup Sync", "com.harborsync.app")};
  AppAnalyzer::Collaborators c;
  c.runningApplications = [] { return std::vector<RunningApplication>{}; };
  c.requiresAdministrator = [](const Url&) { return false; };
  const Layout layout = Layout::at(mac.root(), mac.home());
  auto found = [&](bool extended) {
    AppAnalyzer::Options options;
    options.extendedMatching = extended;
    std::vector<std::string> out;
    for (const auto& f : AppAnalyzer(layout, c, options).analyze(harbor, Url::fileURL(mac.system("/Applications/Harbor Backup.app")), {}, peers).findings)
      out.push_back(std::string(stringValue(f.confidence)) + " " + std::to_string(f.score) + " " +
                    f.url.path().substr(tmp.path().size()));
    return out;
  };
  EXPECT_EQ(found(false), (std::vector<std::string>{"Review 38 /home/Library/Caches/Harbor Backup Beta",
                                                    "Review 26 /home/Library/Application Support/CrashReporter/Harbor Backup_2024-05-01.plist",
                                                    "Review 26 /home/Library/Application Support/Harbor Backup Sync"}));
  // The vendor folder Caches/Harbor holds nothing but the base rules' finding inside it, so it goes with it;
  // the crash stores and macOS's crash folder, which many apps share, do not.
  EXPECT_EQ(found(true), (std::vector<std::string>{"Probably Leftover 91 /home/Library/Application Support/CrashReporter/Harbor Backup_2024-05-01.plist",
                                                   "Probably Leftover 82 /home/Library/Caches/com.crashkit.data/com.harbor.backup",
                                                   "Probably Leftover 77 /home/Library/Caches/SentryCrash/Harbor Backup",
                                                   "Probably Leftover 65 /home/Library/Caches/Harbor",
                                                   "Probably Leftover 65 /home/Library/Harbor/Backup Agent",
                                                   "Probably Leftover 65 /home/Library/Logs/Harbor/Harbor Backup",
                                                   "Probably Leftover 65 /root/Library/LaunchDaemons/com.harbor.backup.daemon.plist",
                                                   "Review 35 /home/.config/harbor backup"}));
  // With another app of the vendor installed, only what names this app's product.
  const std::vector<AppIdentity> vendorPeers = {peers.front(), app("Harbor Sync", "com.harbor.sync")};
  std::vector<std::string> shared;
  for (const auto& f : AppAnalyzer(layout, c).analyze(harbor, Url::fileURL(mac.system("/Applications/Harbor Backup.app")), {}, vendorPeers).findings)
    shared.push_back(std::string(stringValue(f.confidence)) + " " + f.url.path().substr(tmp.path().size()));
  EXPECT_EQ(shared, (std::vector<std::string>{"Probably Leftover /home/Library/Application Support/CrashReporter/Harbor Backup_2024-05-01.plist",
                                               "Probably Leftover /home/Library/Caches/com.crashkit.data/com.harbor.backup",
                                               "Probably Leftover /home/Library/Caches/SentryCrash/Harbor Backup",
                                               "Probably Leftover /home/Library/Caches/Harbor",
                                               "Probably Leftover /home/Library/Logs/Harbor/Harbor Backup",
                                               "Review /home/.config/harbor backup",
                                               "Review /home/Library/Harbor/Backup Agent",
                                               "Review /root/Library/LaunchDaemons/com.harbor.backup.daemon.plist"}));
}

// Strong evidence reaches Probably Leftover, weak stays at Review, a name inside a longer word or a common
// word alone does not; the base rules' findings stay whole inside a vendor folder, and another app's
// container or item is never offered.
TEST(ExtendedMatchingTest, StrongEvidenceCommonWordsAndBaseFindingsOnASmallMac) {
  namespace fs = std::filesystem;
  testing::TemporaryFolder tmp("corvane-extended-strong");
  testing::SampleMac mac(tmp.path());
  const std::string bundle = mac.system("/Applications/Quill Pad.app");
  const std::vector<std::pair<std::string, std::string>> files = {
      {mac.user("Library/Application Support/Acme/com.acme.qpad/data.db"), "x"},  // base rules: Probably 70, alone in Acme
      {mac.user("Library/Caches/Acme/Quill Pad Sync/x"), "x"},                  // a vendor folder, nothing of the base rules
      {mac.user("Library/Caches/Acme/Other Tool Cache/x"), "x"},                // the same, holding a peer's item
      {mac.user("Library/Preferences/Acme/qpad.plist"), "x"},       // the vendor folder yields to a selectable item
      {mac.user("Library/Preferences/Acme/Acme Notes.plist"), "x"},  // inside, beside one at Review
      {mac.user("Library/Containers/Acme Helper/.com.apple.containermanagerd.metadata.plist"),
       testing::xmlPlist({{"MCMMetadataIdentifier", "com.other.tool"}})},
      {mac.system("/Library/LaunchDaemons/com.acme.updaterd.plist"),
       testing::xmlPlist({{"Label", "com.acme.updaterd"}, {"Program", "/Applications/Quill Pad.app/Contents/Library/updaterd"}})},
      {mac.system("/Library/LaunchDaemons/com.acme.qpad.helper.plist"), testing::xmlPlist({{"Label", "com.acme.qpad.helper"}})},
      {mac.user(".local/bin/qpad-backup"), "x"},
      {mac.user("Library/Caches/Loom/x"), "x"},
      {mac.user("Library/Caches/Bloomberg/x"), "x"},
      {mac.user("Library/Caches/Loom Helper/x"), "x"},
  };
  for (const auto& [path, contents] : files) mac.writeFile(path, contents);
  for (const char* group : {"ACME123456.com.acme.qpad", "ZZZZZ99999.com.acme.qpad"})
    mac.makeFolder(mac.user("Library/Group Containers/") + group);
  fs::create_directories(mac.system("/usr/local/bin"));
  fs::create_symlink("/Applications/Quill Pad.app/Contents/MacOS/qpad", mac.system("/usr/local/bin/qpad"));
  fs::create_symlink("../../../Applications/Other Tool.app/Contents/MacOS/tool", mac.system("/usr/local/bin/tool"));
  AppIdentity quill = app("Quill Pad", "com.acme.qpad");
  quill.teamIdentifier = "ACME123456";
  const std::vector<AppIdentity> peers = {app("Other Tool", "com.other.tool")};
  AppAnalyzer::Collaborators c;
  c.runningApplications = [] { return std::vector<RunningApplication>{}; };
  c.requiresAdministrator = [](const Url&) { return false; };
  const Layout layout = Layout::at(mac.root(), mac.home());
  auto found = [&](const AppIdentity& identity, const std::string& appPath, bool extended) {
    AppAnalyzer::Options options;
    options.extendedMatching = extended;
    std::vector<std::string> out;
    for (const auto& f : AppAnalyzer(layout, c, options).analyze(identity, Url::fileURL(appPath), {}, peers).findings)
      out.push_back(std::string(stringValue(f.confidence)) + " " + std::to_string(f.score) + " " +
                    f.url.path().substr(tmp.path().size()) + (f.evidence.empty() ? "" : " | " + f.evidence.back().explanation));
    return out;
  };
  // Not offered: the vendor folders Caches/Acme (a peer's item inside) and Preferences/Acme (a selectable
  // item inside keeps its tier), the container another app's metadata names, the link to another
  // bundle and the plain file among the tools.
  EXPECT_EQ(found(quill, bundle, true),
            (std::vector<std::string>{
                "Probably Leftover 100 /home/Library/Group Containers/ACME123456.com.acme.qpad | Named for this app's "
                "identifier com.acme.qpad behind the developer team ACME123456 that the app's signature declares.",
                "Probably Leftover 65 /home/Library/Application Support/Acme | Holds nothing but this app's items found "
                "here (com.acme.qpad), so it goes with them.",
                "Probably Leftover 65 /home/Library/Preferences/Acme/qpad.plist | Found in the vendor folder Acme and named "
                "exactly for the label qpad of this app's identifier.",
                "Probably Leftover 65 /root/Library/LaunchDaemons/com.acme.updaterd.plist | Nothing but this app runs the "
                "program the launch job names, so the job is this app's.",
                "Probably Leftover 65 /root/usr/local/bin/qpad | This command-line tool link leads into this app's bundle "
                "(/Applications/Quill Pad.app/Contents/MacOS/qpad); the link is removed, not what it leads to.",
                "Review 45 /home/Library/Group Containers/ZZZZZ99999.com.acme.qpad | Named for this app's identifier "
                "com.acme.qpad behind a developer-team prefix; held at Review because no signature declares it.",
                "Review 38 /home/Library/Caches/Acme/Quill Pad Sync | This is an app-scoped cache location.",
                "Review 35 /home/Library/Preferences/Acme/Acme Notes.plist | Named starting with this app's vendor Acme, from "
                "which no other app is installed; held at Review because the vendor may ship more apps.",
                "Review 30 /root/Library/LaunchDaemons/com.acme.qpad.helper.plist | " + std::string(texts::kSystemComponent)}));
  // A common word alone stays at Review; inside a longer word it ties nothing; as a whole word it stays.
  const AppIdentity loom = app("Loom", "com.loom.desktop");
  const std::string loomBundle = mac.system("/Applications/Loom.app");
  EXPECT_EQ(found(loom, loomBundle, true),
            (std::vector<std::string>{"Review 54 /home/Library/Caches/Loom | The application name Loom is a common word that "
                                      "other products and folders share, so an item named only for it is held at Review.",
                                      "Review 38 /home/Library/Caches/Loom Helper | This is an app-scoped cache location."}));
  EXPECT_EQ(found(loom, loomBundle, false),
            (std::vector<std::string>{"Probably Leftover 54 /home/Library/Caches/Loom | This is an app-scoped cache location.",
                                      "Review 38 /home/Library/Caches/Bloomberg | This is an app-scoped cache location.",
                                      "Review 38 /home/Library/Caches/Loom Helper | This is an app-scoped cache location."}));
}

}  // namespace
}  // namespace corvane
