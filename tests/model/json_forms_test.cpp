#include "corvane/model/json_forms.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace corvane {
namespace {

Uuid uuid(const char* text) { return *Uuid::parse(text); }

TEST(JsonFormsTest, IdentityWithoutServiceKeyReadsAsEmptyAndWritesBackWithout) {
  auto id = fromJSON<AppIdentity>(R"({"name":"X","packageReceipts":[],"extra":1})");
  ASSERT_TRUE(id.has_value());
  EXPECT_FALSE(id->backgroundServiceIdentifiers.has_value());
  EXPECT_TRUE(id->serviceIdentifiers().empty());
  EXPECT_EQ(toJSON(*id), R"({"name":"X","packageReceipts":[]})");
  // An absent list and an empty list are different identities.
  AppIdentity withEmpty = *id;
  withEmpty.backgroundServiceIdentifiers = std::vector<std::string>{};
  EXPECT_NE(withEmpty, *id);
  EXPECT_NE(std::hash<AppIdentity>{}(withEmpty), std::hash<AppIdentity>{}(*id));
}

TEST(JsonFormsTest, ReadingFailsWithTheRecordKeyAndProblem) {
  struct Case {
    const char* text;
    std::string error;
  };
  const Case identities[] = {
      {R"({"name":"X"})", "AppIdentity.packageReceipts: missing"},
      {R"({"name":7,"packageReceipts":[]})", "AppIdentity.name: not a string"},
      {R"({"name":"X","packageReceipts":[1]})", "AppIdentity.packageReceipts: holds a value that is not a string"},
      {R"({"name":"X","packageReceipts":{}})", "AppIdentity.packageReceipts: not a list"},
      {R"({"name":"X","packageReceipts":[],"teamIdentifier":false})", "AppIdentity.teamIdentifier: not a string"},
      {R"([])", "AppIdentity: not an object"},
      {R"({"name":)", "malformed JSON"},
  };
  for (const Case& t : identities) {
    SCOPED_TRACE(t.text);
    auto read = fromJSON<AppIdentity>(t.text);
    ASSERT_FALSE(read.has_value());
    EXPECT_EQ(read.error().message, t.error);
  }
  const Case disks[] = {
      {R"({"device":1,"fileNumber":2})", "DiskIdentity.fileType: missing"},
      {R"({"device":-1,"fileNumber":2,"fileType":1})", "DiskIdentity.device: not an unsigned integer"},
      {R"({"device":1,"fileNumber":2,"fileType":4294967296})", "DiskIdentity.fileType: out of range"},
  };
  for (const Case& t : disks) {
    SCOPED_TRACE(t.text);
    auto read = fromJSON<DiskIdentity>(t.text);
    ASSERT_FALSE(read.has_value());
    EXPECT_EQ(read.error().message, t.error);
  }
  auto url = fromJSON<InstalledApplication>(R"({"url":"/Applications/X.app","name":"X","isSystemApplication":false})");
  ASSERT_FALSE(url.has_value());
  EXPECT_EQ(url.error().message, "InstalledApplication.url: not a file URL");
  // Optional keys may be null; nested records and list elements name their own key inside.
  auto app = fromJSON<InstalledApplication>(
      R"({"url":"file:///A.app","name":"A","version":null,"isSystemApplication":true})");
  ASSERT_TRUE(app.has_value());
  EXPECT_FALSE(app->version.has_value());
  auto list = fromJSON<std::vector<MatchEvidence>>(R"([{"id":"x","kind":"Cache","explanation":"","weight":1}])");
  ASSERT_FALSE(list.has_value());
  EXPECT_EQ(list.error().message, "MatchEvidence.id: not a UUID");
  auto weight = fromJSON<MatchEvidence>(
      R"({"id":"11111111-2222-4333-8444-555555555555","kind":"Cache","explanation":"","weight":2147483648})");
  ASSERT_FALSE(weight.has_value());
  EXPECT_EQ(weight.error().message, "MatchEvidence.weight: out of range");
}

TEST(JsonFormsTest, InstalledApplicationGolden) {
  InstalledApplication app{Url::fileURL("/Applications/Example App.app"), "Example App", "com.example.app", "1.2",
                           false};
  EXPECT_EQ(toJSON(app),
            R"({"url":"file:///Applications/Example%20App.app","name":"Example App",)"
            R"("bundleIdentifier":"com.example.app","version":"1.2","isSystemApplication":false})");
  EXPECT_EQ(*fromJSON<InstalledApplication>(toJSON(app)), app);
  EXPECT_EQ(app.id(), app.url);
}

// The history's own tests pin whole records, with and without their optional parts, and the sorted pretty form.
TEST(JsonFormsTest, OperationGoldensAndLenientReasons) {
  TrashOperation ok = TrashOperation::success(Url::fileURL("/Users/me/Library/Caches/x"),
                                              Url::fileURL("/Users/me/.Trash/x"));
  ok.id = uuid("00000000-0000-4000-8000-00000000000A");
  EXPECT_EQ(toJSON(ok),
            R"({"id":"00000000-0000-4000-8000-00000000000A","originalURL":"file:///Users/me/Library/Caches/x",)"
            R"("trashedURL":"file:///Users/me/.Trash/x","succeeded":true})");
  auto unknown = fromJSON<TrashOperation>(R"({"id":"00000000-0000-4000-8000-00000000000A","originalURL":"file:///x",)"
                                          R"("succeeded":false,"failureReason":"cosmicRay"})");
  EXPECT_EQ(unknown->failureReason, RemovalFailureReason::other);

  BackgroundServiceOperation service;
  service.id = uuid("00000000-0000-4000-8000-0000000000B0");
  service.serviceIdentifier = "com.example.agent";
  service.wasRegistered = true;
  service.paused = true;
  EXPECT_EQ(toJSON(service),
            R"({"id":"00000000-0000-4000-8000-0000000000B0","serviceIdentifier":"com.example.agent",)"
            R"("wasRegistered":true,"paused":true})");

  UninstallRecord record;
  record.preRemovalSnapshot.appURL = Url::fileURL("/Applications/X.app");
  nlohmann::json j = nlohmann::json::parse(toJSON(record));
  ASSERT_TRUE(fromJSON<UninstallRecord>(j.dump()).has_value());
  j.erase("preRemovalSnapshot");
  EXPECT_FALSE(fromJSON<UninstallRecord>(j.dump()).has_value());
}

TEST(JsonFormsTest, DatesAndUuids) {
  auto d = date::parseISO8601("2026-12-04T18:41:39Z");
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(date::iso8601(*d), "2026-12-04T18:41:39Z");
  EXPECT_EQ(date::parseISO8601("2026-12-04T20:41:39.250+02:00"), d);
  for (const char* bad : {"2026-12-04 18:41:39", "2026-02-30T00:00:00Z", "2026-12-04T18:41:39Zjunk"})
    EXPECT_FALSE(date::parseISO8601(bad).has_value()) << bad;

  EXPECT_EQ(uuid("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee").toString(), "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE");
  Uuid r = Uuid::random();
  EXPECT_EQ(r.toString().size(), 36u);
  EXPECT_EQ(r.toString()[14], '4');
  EXPECT_NE(r, Uuid::random());
  EXPECT_FALSE(Uuid::parse("AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEE").has_value());
  EXPECT_FALSE(Uuid::parse("AAAAAAAAxBBBB-4CCC-8DDD-EEEEEEEEEEEE").has_value());
}

}  // namespace
}  // namespace corvane
