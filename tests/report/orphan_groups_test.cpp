#include "report/orphan_groups.h"

#include <gtest/gtest.h>

#include <sstream>

#include "corvane/orphans/orphan_guidance.h"
#include "report/json_dialect.h"

namespace corvane::report {
namespace {

// The whole document as the JSON values print it: what the streamed form must equal byte for byte.
std::string asDocument(const std::vector<OrphanGroup>& groups, const json::Json& status) {
  json::Json doc = json::Json::object();
  doc["groups"] = json::Json::array();
  for (const auto& group : groups) {
    const OrphanGuidanceSummary summary = OrphanGuidance::summary(group.findings);
    json::Json g = json::Json::object();
    g["suspectedBundleIdentifier"] = group.suspectedBundleIdentifier;
    g["headline"] = summary.headline;
    g["points"] = summary.points;
    g["findings"] = json::encode(group.findings);
    doc["groups"].push_back(std::move(g));
  }
  doc["backgroundItemStoreStatus"] = status;
  std::ostringstream out;
  printJSON(out, doc);
  return out.str();
}

FileFinding finding(const std::string& path, const std::string& explanation) {
  return FileFinding::make(Url::fileURL(path), FindingKind::cache, FindingConfidence::review, 55,
                           {{EvidenceKind::bundleIdentifier, explanation, 55}}, std::nullopt, std::nullopt, false,
                           std::nullopt, std::nullopt);
}

TEST(OrphanGroupsJSONTest, StreamedGroupsEqualTheWholeDocument) {
  // Texts that must be escaped, kept, or have their faults replaced exactly as the JSON values do it.
  const std::string texts[] = {"plain",
                               "quote \" backslash \\ slash /",
                               std::string("controls \b\f\n\r\t \x01\x1f\x7f end"),
                               "Bücher 書 😀",
                               "cut \xe6\x9b",
                               "lone \x80 and \xff",
                               "overlong \xc0\xaf, surrogate \xed\xa0\x80, beyond \xf4\x90\x80\x80",
                               "% and %20 in a path",
                               // the first special at the edges of the eight-byte words taken whole
                               "1234567\\", "abcdefgh\x7f\""};
  std::vector<OrphanGroup> groups;
  for (const auto& text : texts) {
    OrphanGroup group{"com.acme." + text, {finding("/Users/u/Library/Caches/" + text, text)}};
    groups.push_back(group);
    SCOPED_TRACE(text);
    std::ostringstream one;
    OrphanGroupsJSON json(one);
    json.add(group);
    json.finish(json::Json::object());
    EXPECT_EQ(one.str(), asDocument({group}, json::Json::object()));
  }
  // Every optional member present, evidence empty, several findings and groups, the store's status nested.
  FileFinding full = finding("/Users/u/Library/Preferences/a.plist", "x");
  full.evidence.clear();
  full.byteCount = -1;
  full.modifiedAt = Date(std::chrono::seconds(1'700'000'000));
  full.isProtectedLocation = true;
  full.displayName = std::string("Shown \"name\" \0 nul", 18);
  full.diskIdentity = DiskIdentity{0xFFFFFFFFu, 18'446'744'073'709'551'615u, 0xA000, 7};
  groups.push_back({"org.full", {full, finding("/b", "y")}});
  groups.push_back({"org.empty", {}});
  const json::Json status = {{"kind", "degraded"}, {"files", {"a", "b"}}, {"someURL", "file:///x%20y"}};
  std::ostringstream all;
  OrphanGroupsJSON json(all);
  for (const auto& group : groups) json.add(group);
  json.finish(status);
  EXPECT_EQ(all.str(), asDocument(groups, status));

  std::ostringstream none;
  OrphanGroupsJSON(none).finish(status);
  EXPECT_EQ(none.str(), asDocument({}, status));
}

TEST(OrphanGroupsTextTest, GroupsAreSeparatedAndAnEmptyScanSaysSo) {
  const Layout shown = Layout::at("/mac", "/mac/Users/u");
  FileFinding f = finding("/mac/Users/u/Library/Caches/org.gone.app", "The artifact name says so.");
  f.id = *Uuid::parse("3F2A9C1B-0000-5000-8000-000000000000");
  std::ostringstream out;
  OrphanGroupsText text(out, {shown, true, [](std::string point) { return "<" + point.substr(0, 9) + ">"; }});
  text.add({"org.gone.app", {f}});
  text.add({"org.gone.two", {}});
  text.finish();
  EXPECT_EQ(out.str(),
            "org.gone.app\n  1 to review\n"
            "  3F2A9C1B  \033[34mReview\033[0m · Cache · ~/Library/Caches/org.gone.app\n"
            "            The artifact name says so.\n"
            "  * <No instal>\n  * <\"Review\" >\n  * <Everythin>\n"
            "\norg.gone.two\n  Nothing removable in this group.\n  * <No instal>\n  * <Everythin>\n");
  std::ostringstream empty;
  OrphanGroupsText(empty, {shown, false, {}}).finish();
  EXPECT_EQ(empty.str(), "No leftovers of removed apps found.\n");
}

}  // namespace
}  // namespace corvane::report
