// Finding the application a person names: by name or identifier, with suggestions.

#include <gtest/gtest.h>

#include "corvane/discovery/app_lookup.h"

namespace corvane {
namespace {

InstalledApplication app(const std::string& name, std::optional<std::string> id, const std::string& path) {
  InstalledApplication a;
  a.name = name;
  a.bundleIdentifier = std::move(id);
  a.url = Url::fileURL(path);
  return a;
}

TEST(AppLookupTest, NamesAndIdentifiersResolveOrSayWhyNot) {
  const std::vector<InstalledApplication> installed = {
      app("Beacon VPN", "com.beaconvpn.client", "/A/Beacon VPN.app"), app("Driftwood", "com.driftwood", "/A/Driftwood.app"),
      app("Inkwell", "com.inkwell.editor", "/A/Inkwell.app"), app("Inkwell", std::nullopt, "/V/Inkwell.app"),
      app("Inkwel Pro", "com.inkwel.pro", "/A/Inkwel Pro.app")};
  struct Case {
    std::string given, path, problem;
  } cases[] = {
      {"beacon vpn", "/A/Beacon VPN.app", ""},
      {"COM.DRIFTWOOD", "/A/Driftwood.app", ""},
      {"inkwell", "", "\"inkwell\" matches 2 applications:\n  Inkwell  com.inkwell.editor  /A/Inkwell.app\n"
                      "  Inkwell  -  /V/Inkwell.app\nGive the path of the one you mean.\n"},
      {"Driftwod", "", "no application is named or identified as \"Driftwod\"; did you mean \"Driftwood\"?\n"},
      {"inkwel", "", "no application is named or identified as \"inkwel\"; did you mean \"Inkwell\" or \"Inkwel Pro\"?\n"},
      {"beacon", "", "no application is named or identified as \"beacon\"; did you mean \"Beacon VPN\"?\n"},
      {"Zephyr", "", "no application is named or identified as \"Zephyr\" (see corvane apps)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    AppLookup found = findApp(c.given, installed);
    EXPECT_EQ(found.path.value_or(""), c.path);
    EXPECT_EQ(found.problem, c.problem);
  }
  for (auto [text, isPath] : {std::pair{"Beacon VPN", false}, {"com.x.y", false}, {"X.APP", true}, {"a/b", true}, {"./x", true}})
    EXPECT_EQ(looksLikeAppPath(text), isPath) << text;
  for (auto [a, b, d] : {std::tuple{"", "abc", 3}, {"kitten", "sitting", 3}, {"Same", "sAME", 0}, {"ab", "ba", 2}})
    EXPECT_EQ(editDistance(a, b), static_cast<std::size_t>(d)) << a << " " << b;
}

}  // namespace
}  // namespace corvane
