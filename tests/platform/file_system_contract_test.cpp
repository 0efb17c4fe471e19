// The same tree built on disk and in memory must read the same through either file system.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "corvane/platform/file_system.h"
#include "corvane/platform/memory_file_system.h"
#include "sample_mac/sample_mac.h"
#include "support/result_matchers.h"

namespace corvane::platform {
namespace {

// One implementation and a way to add items to it.
struct Subject {
  const FileSystem* fs = nullptr;
  std::string root;
  std::function<void(const std::string&, const std::string&)> file;  // relative path, contents
  std::function<void(const std::string&, const std::string&)> link;  // relative path, target
  std::shared_ptr<void> keep;
};

Subject onDisk() {
  auto tmp = std::make_shared<testing::TemporaryFolder>();
  const std::string root = tmp->path() + "/mac";
  return Subject{&realFileSystem(), root,
                 [root](const std::string& p, const std::string& c) { testing::SampleMac::writeFile(root + "/" + p, c); },
                 [root](const std::string& p, const std::string& target) {
                   std::filesystem::create_symlink(target, root + "/" + p);
                 },
                 tmp};
}

Subject inMemory() {
  auto memory = std::make_shared<platform::MemoryFileSystem>();
  const std::string root = "/mac";
  return Subject{memory.get(), root,
                 [memory, root](const std::string& p, const std::string& c) { memory->addFile(root + "/" + p, c); },
                 [memory, root](const std::string& p, const std::string& target) {
                   memory->addLink(root + "/" + p, target);
                 },
                 memory};
}

class FileSystemContractTest : public ::testing::TestWithParam<Subject (*)()> {};

TEST_P(FileSystemContractTest, ListsWalksResolvesReadsAndRenamesAlike) {
  Subject s = GetParam()();
  s.file("A", "abc");
  s.file(".hidden", "");
  s.file("b/inner/deeper/x", "");
  s.link("link", "b");          // relative: beside itself
  s.link("abs", "/b/inner");    // absolute: a Mac path, under the root
  s.link("out", "/nowhere");
  const FileSystem& fs = *s.fs;
  const std::string& r = s.root;

  using T = EntryType;
  auto listed = fs.list(r, {.sorted = true});
  ASSERT_TRUE(listed.has_value()) << listed.error().describe();
  EXPECT_EQ(listed->entries, (std::vector<FolderEntry>{{"A", T::file}, {"abs", T::symbolicLink},
                                                      {"b", T::directory}, {"link", T::symbolicLink},
                                                      {"out", T::symbolicLink}}));
  EXPECT_FALSE(listed->exceeded);
  EXPECT_EQ(fs.list(r, {.skipHidden = false}).value().entries.size(), 6u);
  auto bounded = fs.list(r, {.maxEntries = 2}).value();
  EXPECT_EQ(bounded.entries.size(), 2u);
  EXPECT_TRUE(bounded.exceeded);

  // Depth 2: the root's entries and one level below; links are reported, never entered.
  std::vector<std::string> walked;
  ASSERT_TRUE(fs.walk(r, {.maxDepth = 2}, [&](const WalkItem& e) {
                  walked.push_back(e.path.substr(r.size() + 1) + " " + std::to_string(static_cast<int>(e.type)) +
                                   " " + std::to_string(e.depth));
                  return WalkStep::descend;
                }).has_value());
  EXPECT_EQ(walked, (std::vector<std::string>{"A 0 1", "abs 2 1", "b 1 1", "b/inner 1 2", "link 2 1", "out 2 1"}));
  // Asked for, each item carries its own status (a link's, not its target's); `stop` ends the walk at once.
  std::vector<std::string> stopped;
  ASSERT_TRUE(fs.walk(r, {.withStatus = true}, [&](const WalkItem& e) {
                  EXPECT_EQ(e.status, valueIfAny(fs.linkStatus(e.path))) << e.path;
                  stopped.push_back(e.name);
                  return e.name == "b" ? WalkStep::stop : WalkStep::descend;
                }).has_value());
  EXPECT_EQ(stopped, (std::vector<std::string>{"A", "abs", "b"}));

  for (const auto& [path, code] : std::vector<std::pair<std::string, int>>{{r + "/missing", ENOENT}, {r + "/A", ENOTDIR}}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(fs.list(path).error().code, code);
    EXPECT_EQ(fs.walk(path, {}, [](const WalkItem&) { return WalkStep::descend; }).error().code, code);
  }

  // Links resolve as the Mac under the layout's root resolves them; the host knows none of "/b".
  const Layout mac = Layout::at(r, r + "/home");
  const std::string real = fs.realPath(r).value();
  using test_support::textOrErrno;
  EXPECT_EQ(textOrErrno(fs.resolvedPath(mac, r + "/abs/deeper")), real + "/b/inner/deeper");
  EXPECT_EQ(textOrErrno(fs.resolvedPath(mac, r + "/link/inner/..")), real + "/b");
  EXPECT_EQ(textOrErrno(fs.resolvedPath(mac, r + "/out")), "errno 2");
  EXPECT_EQ(textOrErrno(fs.resolvedPath(Layout(), r + "/link/inner")), real + "/b/inner");
  EXPECT_EQ(textOrErrno(fs.readLink(r + "/abs")), "/b/inner");
  // Every answer names what failed: the errno exactly, the operation and the path.
  EXPECT_EQ(textOrErrno(fs.readLink(r + "/A")), "errno 22");
  EXPECT_EQ(textOrErrno(fs.realPath(r + "/missing")), "errno 2");
  EXPECT_EQ(fs.linkStatus(r + "/missing").error().path, r + "/missing");
  EXPECT_EQ(fs.linkStatus(r + "/out")->type(), FileType::symlink);

  EXPECT_EQ(fs.readFile(r + "/link/../A", 3).value(), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(fs.readFile(r + "/A", 2).error().code, EFBIG);
  EXPECT_EQ(fs.readFile(r + "/b", 2).error().code, EISDIR);
  EXPECT_EQ(fs.renameExclusive(r + "/A", r + "/b").error().code, EEXIST);
  ASSERT_TRUE(fs.renameExclusive(r + "/b", r + "/c").has_value());
  EXPECT_FALSE(fs.exists(r + "/b/inner/deeper/x"));
  EXPECT_TRUE(fs.exists(r + "/c/inner/deeper/x"));
}

INSTANTIATE_TEST_SUITE_P(BothImplementations, FileSystemContractTest, ::testing::Values(&onDisk, &inMemory),
                         [](const auto& param) { return std::string(param.index == 0 ? "OnDisk" : "InMemory"); });

}  // namespace
}  // namespace corvane::platform
