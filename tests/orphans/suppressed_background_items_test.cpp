#include "corvane/orphans/suppressed_background_items.h"

#include <gtest/gtest.h>

#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::SampleMac;

// The labels stay a sorted JSON array; a file that is not one is read as none and replaced by the next label.
TEST(SuppressedBackgroundItemsTest, RemembersEachLabelOnce) {
  testing::TemporaryFolder tmp;
  const SuppressedBackgroundItems store(Layout::at(tmp.path() + "/root", tmp.path() + "/home"));
  EXPECT_EQ(store.path(), tmp.path() + "/home/Library/Application Support/Corvane/suppressed-background-items.json");
  EXPECT_TRUE(store.labels().empty());
  const struct {
    std::string before, label, after;
  } cases[] = {
      {"", "com.b.agent", "[\"com.b.agent\"]\n"},
      {"[\"com.b.agent\"]\n", "com.a.agent", "[\"com.a.agent\",\"com.b.agent\"]\n"},
      {"[\"com.a.agent\",\"com.b.agent\"]\n", "com.a.agent", "[\"com.a.agent\",\"com.b.agent\"]\n"},
      {"{\"com.a.agent\": true}", "com.c.agent", "[\"com.c.agent\"]\n"},
      {"[\"com.a.agent\", 7, null]", "com.c.agent", "[\"com.a.agent\",\"com.c.agent\"]\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before + " + " + c.label);
    if (!c.before.empty()) SampleMac::writeFile(store.path(), c.before);
    ASSERT_TRUE(store.remember(c.label).has_value());
    EXPECT_EQ(SampleMac::readFile(store.path()), c.after);
  }
  EXPECT_EQ(store.labels(), (std::set<std::string>{"com.a.agent", "com.c.agent"}));
}

}  // namespace
}  // namespace corvane
