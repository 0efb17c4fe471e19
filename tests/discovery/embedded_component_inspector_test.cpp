#include "corvane/discovery/embedded_component_inspector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvane/discovery/finder_extension_state.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::SampleMac;

class EmbeddedComponentTest : public ::testing::Test {
 protected:
  EmbeddedComponentInspection inspect() const { return EmbeddedComponentInspector::inspect(Url::fileURL(app_)); }

  static std::vector<std::string> explanations(const EmbeddedComponentInspection& inspection) {
    std::vector<std::string> texts;
    for (const auto& e : inspection.evidence) {
      EXPECT_EQ(e.kind, EvidenceKind::embeddedComponent);
      EXPECT_EQ(e.weight, 0);
      texts.push_back(e.explanation);
    }
    return texts;
  }

  void addAgent(const std::string& file, const std::string& label) const {
    testing::addLaunchAgentDefinition(app_, file, testing::launchAgentDefinition(label));
  }

  testing::TemporaryFolder folder_{"corvane-embedded"};
  SampleMac mac_{folder_.path()};
  std::string app_ = mac_.addApp(testing::BundleInfo{"Host", "com.vendor.host", "1.0", std::nullopt, {}});
};

TEST_F(EmbeddedComponentTest, ABundleWithoutComponentFoldersOrWithEmptyOnesHasNothing) {
  EXPECT_EQ(inspect(), EmbeddedComponentInspection{});
  SampleMac::makeFolder(app_ + "/Contents/PlugIns");
  SampleMac::writeFile(app_ + "/Contents/Library/LoginItems/.DS_Store");
  SampleMac::makeFolder(app_ + "/Contents/Library/LaunchAgents");
  EXPECT_EQ(inspect(), EmbeddedComponentInspection{});
  EXPECT_EQ(EmbeddedComponentInspector::inspect(Url::fileURL(folder_.path() + "/Missing.app")),
            EmbeddedComponentInspection{});
}

TEST_F(EmbeddedComponentTest, EveryFolderInTableOrderThenTheLaunchAgents) {
  addAgent("com.vendor.b.plist", "com.vendor.b");
  addAgent("com.vendor.a.plist", "com.vendor.a");
  testing::addNestedBundle(app_, testing::kLaunchServicesFolder, "com.vendor.helper", "com.vendor.helper");
  SampleMac::writeFile(app_ + "/" + testing::kSystemExtensionsFolder + "/com.vendor.net.systemextension/x");
  testing::addNestedBundle(app_, testing::kPlugInsFolder, "Sync.appex", "com.vendor.sync");
  testing::addNestedBundle(app_, testing::kLoginItemsFolder, "Agent.app", "com.vendor.agent");

  EmbeddedComponentInspection inspection = inspect();
  EXPECT_EQ(explanations(inspection),
            (std::vector<std::string>{
                "The app bundle contains 1 login item component: Agent.app. These are contained inside the "
                "selected app bundle.",
                "The app bundle contains 1 extension or plug-in component: Sync.appex. These are contained inside "
                "the selected app bundle.",
                "The app bundle contains 1 system extension component: com.vendor.net.systemextension. These are "
                "contained inside the selected app bundle.",
                "The app bundle contains 1 helper component: com.vendor.helper. These are contained inside the "
                "selected app bundle.",
                "The app bundle declares 2 user launch agents: com.vendor.a, com.vendor.b."}));
  // Only login items and launch agents give identifiers.
  EXPECT_EQ(inspection.identifiers, (std::vector<std::string>{"com.vendor.a", "com.vendor.agent", "com.vendor.b"}));
  EXPECT_NE(inspection.evidence[0].id, inspection.evidence[1].id);
}

TEST_F(EmbeddedComponentTest, LoginItemsWithoutIdentifiersAreCountedAndIdentifiersAreDistinct) {
  testing::addNestedBundle(app_, testing::kLoginItemsFolder, "Helper.app", "com.vendor.shared");
  testing::addNestedBundle(app_, testing::kLoginItemsFolder, "NoId.app", std::nullopt);
  testing::addNestedBundle(app_, testing::kLoginItemsFolder, "A1.app", "com.vendor.l1");
  testing::addNestedBundle(app_, testing::kLoginItemsFolder, "A2.app", "com.vendor.l2");
  testing::addNestedBundle(app_, testing::kLoginItemsFolder, "Z.app", "com.vendor.z");  // beyond the four named
  SampleMac::writeFile(app_ + "/" + testing::kLoginItemsFolder + "/notes.txt");
  addAgent("shared.plist", "com.vendor.shared");
  addAgent("shared-again.plist", "com.vendor.shared");

  EmbeddedComponentInspection inspection = inspect();
  EXPECT_EQ(explanations(inspection),
            (std::vector<std::string>{
                "The app bundle contains 6 login item components: A1.app, A2.app, Helper.app, NoId.app, and 2 "
                "more. These are contained inside the selected app bundle.",
                "The app bundle declares 2 user launch agents: com.vendor.shared, com.vendor.shared."}));
  EXPECT_EQ(inspection.identifiers,
            (std::vector<std::string>{"com.vendor.l1", "com.vendor.l2", "com.vendor.shared", "com.vendor.z"}));
}

TEST(FinderExtensionStateTest, ReadsTheStateMarkOfTheLinesNamingTheExtension) {
  const std::string listing =
      "+    com.vendor.sync(1.0)\n"
      "-    com.vendor.other(2.0)\n"
      "\n"
      "     com.vendor.quiet(1.0)\n"
      "!    com.vendor.syncer(1.0)\n";
  const std::pair<const char*, std::optional<bool>> cases[] = {
      {"com.vendor.sync", true}, {"com.vendor.other", false}, {"com.vendor.quiet", false},
      {"com.vendor.syncer", false}, {"com.vendor.missing", std::nullopt}, {"COM.VENDOR.SYNC", std::nullopt},
  };
  for (const auto& [identifier, state] : cases)
    EXPECT_EQ(FinderExtensionState::isEnabled(listing, identifier), state) << identifier;
  // A prefix of another identifier matches that line too.
  EXPECT_EQ(FinderExtensionState::isEnabled("-  com.vendor.syncer\n+  com.vendor.sync\n", "com.vendor.sync"),
            std::optional<bool>(true));
  EXPECT_EQ(FinderExtensionState::isEnabled("-  com.vendor.syncer\n", "com.vendor.sync"), std::optional<bool>(false));
  EXPECT_EQ(FinderExtensionState::isEnabled("", "com.vendor.sync"), std::nullopt);
}

}  // namespace
}  // namespace corvane
