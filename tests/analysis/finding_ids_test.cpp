#include "corvane/analysis/finding_ids.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(FindingIDsTest, NameBasedIdsFollowTheStandardForm) {
  // The published example: "www.example.com" in the DNS namespace.
  const Uuid dns = *Uuid::parse("6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
  EXPECT_EQ(Uuid::nameBased(dns, "www.example.com").toString(), "2ED6657D-E927-568B-95E1-2665A8AEA6A2");
  EXPECT_EQ(Uuid::nameBased(dns, "").toString(), "4EBD0208-8328-5D69-8C44-EC50939C0967");
  // Names ending on either side of where the digest's padding needs one more block, and past a whole block.
  const std::pair<std::size_t, const char*> byLength[] = {
      {39, "EE0D9890-1BA2-56E0-B659-23F844815FD9"},  {40, "46BCEB3C-AAAE-5954-9892-6F621AA3A4ED"},
      {47, "2B63C22B-A996-5C56-B4FB-53CDE45A4EC6"},  {48, "3F5CB533-5DD5-5364-8E21-118278022F60"},
      {103, "3E791466-2849-5B33-B0C6-21E03BB315D5"}, {104, "EBC14357-3C7E-536F-B94E-BF20FB29F4FF"},
      {184, "83762C60-A81D-55D5-8E6A-D33E3E47B2AC"}};
  for (const auto& [length, id] : byLength) {
    std::string name;
    for (std::size_t i = 0; i < length; ++i) name += static_cast<char>('a' + i % 26);
    EXPECT_EQ(Uuid::nameBased(dns, name).toString(), id) << length;
  }
}

TEST(FindingIDsTest, SameItemOfTheSameAppSameIdWhereverTheCopyLies) {
  AppIdentity app;
  app.name = "Beacon VPN";
  app.bundleIdentifier = "com.beaconvpn.client";
  AppIdentity upper = app;
  upper.bundleIdentifier = "COM.BeaconVPN.Client";
  AppIdentity unnamed;
  unnamed.name = "Beacon VPN";
  const Layout copyA = Layout::at("/tmp/a/root", "/tmp/a/home"), copyB = Layout::at("/srv/b/root", "/srv/b/home");
  struct Case {
    std::string hostPath;
    Layout layout;
    std::string shown;
  } cases[] = {
      {"/tmp/a/home/Library/Caches/com.beaconvpn.client", copyA, "~/Library/Caches/com.beaconvpn.client"},
      {"/srv/b/home/Library/Caches/com.beaconvpn.client", copyB, "~/Library/Caches/com.beaconvpn.client"},
      {"/tmp/a/root/Library/LaunchDaemons/x.plist", copyA, "/Library/LaunchDaemons/x.plist"},
      {"/tmp/a/home", copyA, "~"},
      {"/tmp/a/homework/x", copyA, "/tmp/a/homework/x"},
      {"/Users/me/Library/x", Layout::at("/", "/Users/me"), "~/Library/x"},
      {"/Library/x", Layout::at("/", "/Users/me"), "/Library/x"},
  };
  for (const auto& c : cases) EXPECT_EQ(FindingIDs::macStylePath(c.hostPath, c.layout), c.shown) << c.hostPath;

  const Uuid cache = FindingIDs::forItem(app, "~/Library/Caches/com.beaconvpn.client");
  EXPECT_EQ(cache.toString()[14], '5');
  EXPECT_EQ(FindingIDs::forItem(upper, "~/Library/Caches/com.beaconvpn.client"), cache);
  EXPECT_NE(FindingIDs::forItem(unnamed, "~/Library/Caches/com.beaconvpn.client"), cache);
  EXPECT_NE(FindingIDs::forItem(app, "~/Library/Caches/com.beaconvpn.client2"), cache);
  // Only ASCII letters fold, whatever the process's locale: "\u00C4" stays as it is.
  const AppIdentity accented{"X", "com.\u00C4rger.App", {}, {}, {}, {}, {}};
  EXPECT_EQ(FindingIDs::forItem(accented, "~/Library/Caches/x").toString(), "643CE39A-0AE9-5BF0-B503-CE8E4FE03843");

  AnalysisSnapshot a, b;
  a.identity = b.identity = app;
  for (auto* s : {&a, &b}) s->findings.resize(2);
  a.findings[0].url = Url::fileURL("/tmp/a/home/Library/Caches/com.beaconvpn.client");
  a.findings[1].url = Url::fileURL("/tmp/a/root/Library/LaunchDaemons/x.plist");
  b.findings[0].url = Url::fileURL("/srv/b/home/Library/Caches/com.beaconvpn.client");
  b.findings[1].url = Url::fileURL("/srv/b/root/Library/LaunchDaemons/x.plist");
  FindingIDs::assign(a, copyA);
  FindingIDs::assign(b, copyB);
  EXPECT_EQ(a.findings[0].id, cache);
  EXPECT_EQ(a.findings[0].id, b.findings[0].id);
  EXPECT_EQ(a.findings[1].id, b.findings[1].id);
  EXPECT_NE(a.findings[0].id, a.findings[1].id);

  // Found by the whole id or its first 8 digits, in any case; a text naming two findings names none.
  const std::string whole = cache.toString(), shortForm = FindingIDs::shortForm(cache);
  EXPECT_EQ(shortForm, whole.substr(0, 8));
  std::string lower = whole;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (const std::string& text : {whole, lower, shortForm, lower.substr(0, 8)})
    EXPECT_EQ(FindingIDs::find(text, a.findings), &a.findings[0]) << text;
  for (const std::string& text : {std::string(""), whole.substr(0, 7), whole.substr(0, 9), std::string("nothing!")})
    EXPECT_EQ(FindingIDs::find(text, a.findings), nullptr) << text;
  std::vector<FileFinding> twins(2);
  twins[0].id = *Uuid::parse(shortForm + "-0000-5000-8000-000000000001");
  twins[1].id = *Uuid::parse(shortForm + "-0000-5000-8000-000000000002");
  EXPECT_EQ(FindingIDs::find(shortForm, twins), nullptr);
  EXPECT_EQ(FindingIDs::find(twins[1].id.toString(), twins), &twins[1]);
}

}  // namespace
}  // namespace corvane
