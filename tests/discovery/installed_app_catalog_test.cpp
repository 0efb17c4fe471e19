#include "corvane/discovery/installed_app_catalog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "corvane/discovery/app_discovery_service.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

const Date kMonday = Date(std::chrono::seconds(1796400000));
const Date kTuesday = kMonday + std::chrono::hours(24);

class InstalledAppCatalogTest : public ::testing::Test {
 protected:
  InstalledAppCatalog catalog() {
    return InstalledAppCatalog(layout, [this](const Url& url) {
      reads.push_back(url.lastPathComponent());
      SignatureFacts facts;
      facts.signingIdentifier = "sig." + url.lastPathComponent();
      facts.teamIdentifier = "TEAM123456";
      return facts;
    });
  }
  std::vector<InstalledApplication> listed() const { return AppDiscoveryService(layout).discover(); }

  testing::TemporaryFolder tmp;
  testing::SampleMac mac{tmp.path()};
  Layout layout = Layout::at(mac.root(), mac.home());
  std::vector<std::string> reads;
};

TEST_F(InstalledAppCatalogTest, RemembersEveryListedAppAndKeepsThoseThatAreGone) {
  mac.addApp({"Tool", "com.acme.Tool", "1.0", "tool", {{"CFBundleDisplayName", "Tool Pro"}}});
  mac.addApp({"Sketch", "com.acme.sketch", "2.1", std::nullopt, {}});
  mac.addApp({"Nameless", std::nullopt, "1.0", std::nullopt, {}});  // no bundle identifier: nothing to remember it by
  auto first = catalog().record(listed(), kMonday);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(reads, (std::vector<std::string>{"Sketch.app", "Tool.app"}));
  EXPECT_EQ(testing::SampleMac::readFile(catalog().filePath()),
            "{\n  \"schemaVersion\": 1,\n  \"apps\": [\n"
            "    {\n      \"bundleIdentifier\": \"com.acme.sketch\",\n      \"name\": \"Sketch\",\n"
            "      \"executable\": \"Sketch\",\n      \"teamIdentifier\": \"TEAM123456\",\n"
            "      \"signingIdentifier\": \"sig.Sketch.app\",\n      \"version\": \"2.1\",\n"
            "      \"path\": \"/Applications/Sketch.app\",\n      \"lastSeen\": \"2026-12-04T16:00:00Z\"\n    },\n"
            "    {\n      \"bundleIdentifier\": \"com.acme.Tool\",\n      \"name\": \"Tool Pro\",\n"
            "      \"executable\": \"tool\",\n      \"teamIdentifier\": \"TEAM123456\",\n"
            "      \"signingIdentifier\": \"sig.Tool.app\",\n      \"version\": \"1.0\",\n"
            "      \"path\": \"/Applications/Tool.app\",\n      \"lastSeen\": \"2026-12-04T16:00:00Z\"\n    }\n"
            "  ]\n}\n");

  // Listing again reads no signature; a new version is read once. A deleted app stays, and is the one gone.
  std::filesystem::remove_all(mac.system("/Applications/Sketch.app"));
  mac.addApp({"Tool", "com.acme.Tool", "1.1", "tool", {{"CFBundleDisplayName", "Tool Pro"}}});
  reads.clear();
  auto second = catalog().record(listed(), kTuesday);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(reads, std::vector<std::string>{"Tool.app"});
  EXPECT_EQ(catalog().load(), second.value());
  const auto gone = InstalledAppCatalog::removed(second.value(), listed());
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0].lastSeen, kMonday);
  EXPECT_EQ(gone[0].identity(), (AppIdentity{"Sketch", "com.acme.sketch", "sig.Sketch.app", "TEAM123456", {},
                                             std::nullopt, std::nullopt}));
  EXPECT_EQ(catalog().find("COM.ACME.TOOL")->version, "1.1");
  EXPECT_EQ(catalog().find("com.acme.none"), std::nullopt);
}

TEST_F(InstalledAppCatalogTest, AnUnreadableCatalogIsEmptyAndTheNextListingReplacesIt) {
  const struct {
    const char* what;
    std::string contents;
    std::size_t kept;
  } cases[] = {
      {"not JSON", "{\"apps\": [", 0},
      {"not an object", "[1, 2]", 0},
      {"entries without a path, an identifier or a date are skipped",
       "{\"apps\": [{\"bundleIdentifier\": \"a.b\"}, {\"path\": \"/x\", \"lastSeen\": \"2026-12-04T18:40:00Z\"}, "
       "{\"bundleIdentifier\": \"c.d\", \"path\": \"/Applications/D.app\", \"lastSeen\": \"2026-12-04T18:40:00Z\"}, 7]}",
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::SampleMac::writeFile(catalog().filePath(), c.contents);
    EXPECT_EQ(catalog().load().size(), c.kept);
    mac.addApp({"Tool", "com.acme.Tool", "1.0", std::nullopt, {}});
    ASSERT_TRUE(catalog().record(listed(), kMonday).has_value());
    EXPECT_EQ(catalog().load().size(), c.kept + 1);
  }
}

}  // namespace
}  // namespace corvane
