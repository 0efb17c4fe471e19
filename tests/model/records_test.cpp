#include <gtest/gtest.h>

#include "corvane/app_identity.h"
#include "corvane/file_finding.h"
#include "corvane/removal_records.h"

namespace corvane {
namespace {

TEST(AppIdentityTest, SearchTermsTrimAndDropEmptyValues) {
  AppIdentity id{"Notes", "  com.example.notes\n", std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt};
  EXPECT_EQ(id.searchTerms(), (std::vector<std::string>{"com.example.notes", "Notes"}));
  AppIdentity blank{" \t", "", "\xE2\x80\xA8\n", std::nullopt, {}, std::nullopt, std::nullopt};
  EXPECT_TRUE(blank.searchTerms().empty());
  AppIdentity repeated{"com.x", "com.x", "com.x", std::nullopt, {}, std::nullopt, std::nullopt};
  EXPECT_EQ(repeated.searchTerms(), (std::vector<std::string>{"com.x", "com.x", "com.x"}));
}

TEST(AppIdentityTest, ReceiptOrderMatters) {
  AppIdentity a{"X", std::nullopt, std::nullopt, std::nullopt, {"p1", "p2"}, std::nullopt, std::nullopt};
  AppIdentity b = a;
  b.packageReceipts = {"p2", "p1"};
  EXPECT_NE(a, b);
}

TEST(InstalledApplicationTest, IdentityAndBasicIdentity) {
  InstalledApplication a{Url::fileURL("/Applications/Tool.app"), "Tool", std::nullopt, "1.0", false};
  InstalledApplication b = a;
  b.version = "2.0";
  EXPECT_NE(a, b);
  EXPECT_EQ(a.id(), b.id());
  AppIdentity basic = a.basicIdentity();
  EXPECT_EQ(basic, (AppIdentity{"Tool", std::nullopt, std::nullopt, std::nullopt, {}, std::nullopt, std::nullopt}));
}

TEST(FileFindingTest, Selectability) {
  FileFinding f;
  f.url = Url::fileURL("/Library/Caches/com.example.app/");
  f.confidence = FindingConfidence::probablyLeftover;
  f.evidence = {MatchEvidence(EvidenceKind::bundleIdentifier, "a", 70),
                MatchEvidence(EvidenceKind::requiresAdministrator, "b", 0)};
  EXPECT_EQ(f.name(), "com.example.app");
  EXPECT_TRUE(f.requiresAdministrator());
  EXPECT_TRUE(f.isManuallySelectable());
  EXPECT_FALSE(f.isSelectable());

  f.evidence.pop_back();
  EXPECT_TRUE(f.isSelectable());
  f.isProtectedLocation = true;
  EXPECT_FALSE(f.isManuallySelectable());
  EXPECT_FALSE(f.isSelectable());
  f.isProtectedLocation = false;
  f.confidence = FindingConfidence::inUse;
  EXPECT_FALSE(f.isManuallySelectable());
  EXPECT_FALSE(f.isSelectable());
}

TEST(FindingKindTest, StringValuesRanksAndLenientReading) {
  EXPECT_EQ(stringValue(FindingKind::plugin), "Plug-in / Extension");
  EXPECT_EQ(stringValue(FindingKind::helper), "Privileged Helper");
  EXPECT_EQ(stringValue(EvidenceKind::teamIdentifier), "Developer team");
  EXPECT_EQ(findingKindFromString("System / Kernel Extension"), FindingKind::systemExtension);
  EXPECT_EQ(findingKindFromString("systemExtension"), FindingKind::other);
  EXPECT_EQ(findingKindFromCaseName("groupContainer"), FindingKind::groupContainer);
  EXPECT_EQ(findingKindFromCaseName("Group Container"), std::nullopt);
  EXPECT_EQ(rank(FindingConfidence::safeToRemove), 3);
  EXPECT_EQ(rank(FindingConfidence::inUse), 0);
  for (auto k : kAllFindingKinds) EXPECT_EQ(findingKindFromString(stringValue(k)), k);
  for (auto k : kAllEvidenceKinds) EXPECT_EQ(evidenceKindFromString(stringValue(k)), k);
  for (auto c : kAllFindingConfidences) EXPECT_EQ(findingConfidenceFromString(stringValue(c)), c);
}

TEST(OrphanGroupTest, SnapshotNamesTheGroupAfterTheLastPiece) {
  FileFinding inUse;
  inUse.confidence = FindingConfidence::inUse;
  OrphanGroup group{"com.example.tool", {inUse}};
  AnalysisSnapshot s = group.snapshot();
  EXPECT_EQ(s.identity.name, "tool");
  EXPECT_EQ(s.identity.bundleIdentifier, "com.example.tool");
  EXPECT_EQ(s.appURL.path(), "/Applications/.Corvane-Missing-com.example.tool.app");
  EXPECT_TRUE(s.isApplicationRunning);
  EXPECT_EQ(s.findings, group.findings);
  EXPECT_EQ((OrphanGroup{"tool", {}}).snapshot().identity.name, "tool");
  EXPECT_EQ((OrphanGroup{"com.example.", {}}).snapshot().identity.name, "example");
  EXPECT_EQ((OrphanGroup{"...", {}}).snapshot().identity.name, "...");
  EXPECT_FALSE((OrphanGroup{"...", {}}).snapshot().isApplicationRunning);
}

}  // namespace
}  // namespace corvane
