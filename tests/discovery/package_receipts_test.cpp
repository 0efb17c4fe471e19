#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "corvane/discovery/native_receipt_tools.h"
#include "corvane/discovery/package_receipt_catalog.h"
#include "corvane/discovery/package_receipt_inspector.h"
#include "sample_mac/plist_writer.h"
#include "sample_mac/receipts_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const std::string kFixture = CORVANE_SOURCE_DIR "/../shared/fixtures/bom/python-applications.bom";

// Answers command lines from a table and remembers every call.
struct FakeRunner {
  using CommandLine = std::vector<std::string>;  // executable, then the arguments

  std::map<CommandLine, std::optional<std::string>> answers;
  std::vector<CommandLine> calls;

  std::optional<std::string> output(const std::string& executable, const CommandRunning::Arguments& arguments) {
    CommandLine line{executable};
    line.insert(line.end(), arguments.begin(), arguments.end());
    calls.push_back(line);
    auto found = answers.find(line);
    return found == answers.end() ? std::nullopt : found->second;
  }
  CommandRunning running() {
    return {[this](const std::string& e, const CommandRunning::Arguments& a) { return output(e, a); },
            [this](const std::string& e, const CommandRunning::Arguments& a) {
              auto text = output(e, a);
              return text ? CommandOutcome{0, *text} : CommandOutcome{-1, "not found"};
            }};
  }
};

class ReceiptsFolderTest : public ::testing::Test {
 protected:
  std::string receipts() const { return mac_.system("/var/db/receipts"); }
  std::vector<PackageReceiptRecord> load(const CommandRunning& runner) const {
    return PackageReceiptCatalog::load(Url::fileURL(receipts()), runner);
  }

  testing::TemporaryFolder folder_{"corvane-receipts"};
  testing::SampleMac mac_{folder_.path()};
};

TEST_F(ReceiptsFolderTest, RunsTheBomToolOncePerNonSystemReceiptAndAnUnreadableFolderIsAnEmptyCatalog) {
  for (const char* name : {"b.pkg.bom", "a.pkg.BOM", "com.apple.x.bom", ".hidden.bom", ".bom", "notes.txt"})
    testing::SampleMac::writeFile(receipts() + "/" + name, "");
  testing::SampleMac::writeFile(receipts() + "/b.pkg.plist",
                                testing::writeXMLPlist(PlistDictionary{{"InstallPrefixPath", "Applications"}}));
  FakeRunner runner;
  runner.answers[{"/usr/bin/lsbom", "-s", receipts() + "/b.pkg.bom"}] = ".\n./B.app\n./B.app/Contents\n";
  runner.answers[{"/usr/bin/lsbom", "-s", receipts() + "/a.pkg.BOM"}] = "./A.app\n";

  EXPECT_EQ(load(runner.running()), (std::vector<PackageReceiptRecord>{{"a.pkg", "/A.app"}, {"b.pkg", "/Applications/B.app"}}));
  std::vector<FakeRunner::CommandLine> calls = runner.calls;
  std::sort(calls.begin(), calls.end());
  EXPECT_EQ(calls, (std::vector<FakeRunner::CommandLine>{{"/usr/bin/lsbom", "-s", receipts() + "/a.pkg.BOM"},
                                                         {"/usr/bin/lsbom", "-s", receipts() + "/b.pkg.bom"}}));

  runner.calls.clear();
  EXPECT_EQ(PackageReceiptCatalog::load(Url::fileURL(folder_.path() + "/missing"), runner.running()),
            std::vector<PackageReceiptRecord>{});
  EXPECT_TRUE(runner.calls.empty());
  EXPECT_EQ(NativeReceiptTools(folder_.path() + "/missing").run("/usr/sbin/pkgutil", {"--pkgs"}),
            std::optional<std::string>(""));
}

TEST_F(ReceiptsFolderTest, FallsBackToTheRootPrefixAndToNoApplication) {
  const std::string listing = "./Tool.app\n";
  auto writePlist = [&](const std::string& id, const std::string& text) {
    testing::SampleMac::writeFile(receipts() + "/" + id + ".plist", text);
  };
  writePlist("p.badtype", testing::writeXMLPlist(PlistDictionary{{"InstallPrefixPath", 7}}));
  writePlist("p.notdict", testing::writeXMLPlist(PlistArray{"Applications"}));
  writePlist("p.garbage", "<plist><dict><key>InstallPrefixPath");
  writePlist("p.nokey", testing::writeXMLPlist(PlistDictionary{{"PackageVersion", "1"}}));
  writePlist("p.empty", testing::writeXMLPlist(PlistDictionary{{"InstallPrefixPath", ""}}));
  FakeRunner runner;
  for (const char* id : {"p.badtype", "p.notdict", "p.garbage", "p.nokey", "p.empty", "p.noplist", "p.nolisting"}) {
    testing::SampleMac::writeFile(receipts() + "/" + id + ".bom", "");
    if (std::string(id) != "p.nolisting")
      runner.answers[{"/usr/bin/lsbom", "-s", receipts() + "/" + id + ".bom"}] = listing;
  }
  EXPECT_EQ(load(runner.running()), (std::vector<PackageReceiptRecord>{
                              {"p.badtype", "/Tool.app"},
                              {"p.empty", "/Tool.app"},
                              {"p.garbage", "/Tool.app"},
                              {"p.nokey", "/Tool.app"},
                              {"p.nolisting", std::nullopt},
                              {"p.noplist", "/Tool.app"},
                              {"p.notdict", "/Tool.app"},
                          }));
  EXPECT_EQ(PackageReceiptCatalog::readReceiptPlist(receipts() + "/p.badtype.plist"), std::nullopt);
  EXPECT_EQ(PackageReceiptCatalog::readReceiptPlist(receipts() + "/p.empty.plist"),
            (PackageReceiptCatalog::ReceiptPlist{""}));
}

TEST(NativeReceiptToolsTest, PrintsWhatTheBomToolPrintsOrFailsLikeIt) {
  testing::TemporaryFolder folder;
  std::string bom = testing::writeBom(folder.path() + "/x.bom", {"Applications/X.app/Contents/Info.plist"});
  std::string junk = testing::SampleMac::writeFile(folder.path() + "/junk.bom", "BOMStore but not really");
  NativeReceiptTools tools(folder.path());

  const std::string listing = ".\n./Applications\n./Applications/X.app\n./Applications/X.app/Contents\n"
                              "./Applications/X.app/Contents/Info.plist";
  EXPECT_EQ(tools.run("/usr/bin/lsbom", {"-s", bom}), std::optional<std::string>(listing + "\n"));
  EXPECT_EQ(tools.runWithStatus("/usr/bin/lsbom", {"-s", bom}).output, listing);
  EXPECT_EQ(tools.run("/usr/bin/lsbom", {"-s", junk}), std::nullopt);
  EXPECT_EQ(tools.runWithStatus("/usr/bin/lsbom", {"-s", junk}),
            (CommandOutcome{1, "lsbom: read " + junk + ": malformed bill of materials: no \"BOMStore\" header"}));

  // A name that is not UTF-8 makes the whole listing unusable, as with the real tool and runner.
  std::string latin1 = testing::writeBom(folder.path() + "/l.bom", {"caf\xE9.app"});
  EXPECT_EQ(tools.run("/usr/bin/lsbom", {"-s", latin1}), std::nullopt);
  EXPECT_EQ(tools.runWithStatus("/usr/bin/lsbom", {"-s", latin1}), (CommandOutcome{0, ""}));
}

TEST(NativeReceiptToolsTest, HandsEveryOtherCommandToTheOtherRunner) {
  auto other = std::make_shared<FakeRunner>();
  other->answers[{"/usr/bin/lsbom", "-p", "f", "x.bom"}] = "other answer";
  NativeReceiptTools tools("/nowhere", std::make_shared<CommandRunning>(other->running()));
  EXPECT_EQ(tools.run("/usr/bin/lsbom", {"-p", "f", "x.bom"}), std::optional<std::string>("other answer"));
  EXPECT_EQ(tools.run("/usr/sbin/pkgutil", {"--pkgs", "--volume", "/"}), std::nullopt);
  EXPECT_EQ(tools.runWithStatus("/bin/launchctl", {"list"}), (CommandOutcome{-1, "not found"}));
  EXPECT_EQ(other->calls, (std::vector<FakeRunner::CommandLine>{{"/usr/bin/lsbom", "-p", "f", "x.bom"},
                                                                {"/usr/sbin/pkgutil", "--pkgs", "--volume", "/"},
                                                                {"/bin/launchctl", "list"}}));
}

TEST(NativeReceiptToolsTest, TheRealToolsAnswerOnlyForTheRealRootWhenTheyExist) {
  using Exists = std::function<bool(const std::string&)>;
  const Exists always = [](const std::string&) { return true; };
  const Exists never = [](const std::string&) { return false; };
  const Exists onlyPkgutil = [](const std::string& path) { return path == "/usr/sbin/pkgutil"; };
  const Layout real = Layout::at("/", "/home/someone");
  const Layout sample = Layout::at("/tmp/sample/root", "/tmp/sample/home");
  const struct {
    const Layout& layout;
    const Exists& exists;
    bool realTools;
  } cases[] = {{real, always, true}, {real, never, false}, {real, onlyPkgutil, false}, {sample, always, false}};
  for (const auto& c : cases) EXPECT_EQ(usesRealReceiptTools(c.layout, c.exists), c.realTools) << c.layout.root;

  // A sample tree's runner lists the sample's own receipts.
  testing::TemporaryFolder folder;
  testing::SampleMac mac{folder.path()};
  testing::SampleMac::writeFile(mac.system("/var/db/receipts/com.acme.tool.plist"), "");
  EXPECT_EQ(receiptToolsRunner(Layout::at(mac.root(), mac.home()), always)->run("/usr/sbin/pkgutil", {"--pkgs"}),
            std::optional<std::string>("com.acme.tool\n"));
}

}  // namespace
}  // namespace corvane
