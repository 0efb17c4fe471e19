#include "corvane/signature_inspector.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "discovery/macho_signature.h"
#include "discovery/signature_facts_printer.h"
#include "platform/file_io.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/macho_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

class SignatureInspectorTest : public ::testing::Test {
 protected:
  testing::TemporaryFolder folder_{"corvane-signature"};
  testing::SampleMac mac_{folder_.path()};

  // An app whose main executable holds `executable`.
  std::string appWithExecutable(const std::string& name, const std::vector<std::uint8_t>& executable) {
    std::string app = mac_.addApp({name, "com.example." + name, "1.0", std::nullopt, {}});
    testing::SampleMac::writeFile(app + "/Contents/MacOS/" + name, text(executable));
    return app;
  }
};

TEST_F(SignatureInspectorTest, ReadsTheMainExecutableNamedByInfoPlist) {
  std::string app = mac_.addApp({"Notes", "com.example.notes", "1.0", "NotesMain", {}});
  testing::SampleMac::writeFile(
      app + "/Contents/MacOS/NotesMain",
      text(testing::buildSignedMachO("com.example.notes", "A1B2C3D4E5", {"group.com.example.notes"})));
  // A stray executable under the bundle's own name is not the one Info.plist names.
  testing::SampleMac::writeFile(app + "/Contents/MacOS/Notes", text(testing::buildSignedMachO("wrong", "WRONG", {})));

  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(app)),
            (SignatureFacts{"com.example.notes", "A1B2C3D4E5", {"group.com.example.notes"}}));
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(app + "/")),
            (SignatureFacts{"com.example.notes", "A1B2C3D4E5", {"group.com.example.notes"}}));
}

TEST_F(SignatureInspectorTest, UniversalExecutableWithoutGroups) {
  testing::MachOOptions universal;
  universal.architectures = {testing::MachOArch::x86_64, testing::MachOArch::arm64};
  std::string app = appWithExecutable("Maps", testing::buildSignedMachO("com.example.maps", "TEAM123456", {}, universal));
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(app)), (SignatureFacts{"com.example.maps", "TEAM123456", {}}));
}

TEST_F(SignatureInspectorTest, ASingleExecutableFileIsReadDirectly) {
  std::string tool = testing::SampleMac::writeFile(
      mac_.system("/usr/local/bin/tool"), text(testing::buildSignedMachO("tool", std::nullopt, {})));
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(tool)), (SignatureFacts{"tool", std::nullopt, {}}));
}

TEST_F(SignatureInspectorTest, WhatCannotBeReadIsAbsent) {
  const SignatureFacts none;
  // The sample app's executable is a shell script: unsigned.
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(mac_.addApp({"Script", "com.example.script", "1.0", {}, {}}))),
            none);
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(mac_.system("/Applications/Missing.app"))), none);

  std::string noExecutable = appWithExecutable("Gone", testing::buildSignedMachO("com.example.gone", std::nullopt, {}));
  fs::remove(noExecutable + "/Contents/MacOS/Gone");
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(noExecutable)), none);

  std::string folderExecutable = mac_.addApp({"Folder", "com.example.folder", "1.0", {}, {}});
  fs::remove(folderExecutable + "/Contents/MacOS/Folder");
  fs::create_directory(folderExecutable + "/Contents/MacOS/Folder");
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(folderExecutable)), none);
}

// A CFBundleExecutable that leaves Contents/MacOS is refused by our reader; the Security framework finds a
// bundle's executable by its own rules instead.
TEST_F(SignatureInspectorTest, AnExecutableOutsideContentsMacOSIsNotRead) {
#ifdef __APPLE__
  GTEST_SKIP() << "the Security framework locates the executable itself";
#endif
  std::string escaping = mac_.addApp({"Escape", "com.example.escape", "1.0", "../Resources/Escape", {}});
  testing::SampleMac::writeFile(escaping + "/Contents/Resources/Escape",
                                text(testing::buildSignedMachO("com.example.escape", std::nullopt, {})));
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(escaping)), SignatureFacts{});
}

// Without CFBundleExecutable the executable is the one named after the bundle, as the system's lookup has it.
TEST_F(SignatureInspectorTest, TheExecutableFallsBackToTheBundleName) {
  struct Case {
    const char* name;
    std::optional<PropertyList> info;  // none: no Info.plist at all
  };
  const std::vector<Case> cases = {
      {"NoKey", PropertyList(PlistDictionary{{"CFBundleIdentifier", "com.example.nokey"}})},
      {"NotText", PropertyList(PlistDictionary{{"CFBundleExecutable", 7}})},
      {"NoInfo", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string app = appWithExecutable(c.name, testing::buildSignedMachO(c.name, "TEAM123456", {"group.x"}));
    if (c.info)
      testing::writeInfoPlist(app, *c.info, testing::PlistFormat::binary);
    else
      fs::remove(app + "/Contents/Info.plist");
    EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(app)), (SignatureFacts{c.name, "TEAM123456", {"group.x"}}));
  }
}

// Only the header, the load commands and the signature are read, wherever the signature lies.
TEST_F(SignatureInspectorTest, ReadsTheSignatureAtTheEndOfAnExecutableOver256MiB) {
  std::string app = mac_.addApp({"Huge", "com.example.huge", "1.0", std::nullopt, {}});
  std::string executable = app + "/Contents/MacOS/Huge";
  auto signature = testing::signatureSuperBlob(
      {{testing::kSlotCodeDirectory, testing::codeDirectoryBlob("com.example.huge", "HUGE123456")},
       {testing::kSlotEntitlements, testing::entitlementsBlob(testing::entitlementsPlist({{"group.huge"}}))}});
  testing::writeSparseMachO(executable, testing::MachOArch::arm64, signature, std::uint32_t{300} << 20);
  ASSERT_GT(fs::file_size(executable), std::uintmax_t{256} << 20);
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(app)), (SignatureFacts{"com.example.huge", "HUGE123456", {"group.huge"}}));
}

// --- A binary signed by a real linker: ld64.lld writes an ad-hoc signature named after the output file. ---

std::optional<std::string> toolOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(start, end - start) + "/" + name;
    std::error_code error;
    if (end > start && fs::is_regular_file(candidate, error)) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// Runs a command line in a child shell, its output kept in `log`; true when it exits 0.
bool runQuietly(const std::string& command, const std::string& log) {
  return std::system((command + " >'" + log + "' 2>&1").c_str()) == 0;
}

TEST_F(SignatureInspectorTest, ReadsTheSignatureALinkerWrote) {
  auto compiler = toolOnPath("clang-14");
  auto linker = toolOnPath("ld64.lld-14");
  if (!compiler || !linker) GTEST_SKIP() << "clang-14 and ld64.lld-14 are needed to link an arm64 macOS binary";

  std::string work = folder_.path() + "/link";
  std::string source = testing::SampleMac::writeFile(work + "/main.c", "int main(void) { return 0; }\n");
  std::string log = work + "/log.txt";
  if (!runQuietly("'" + *compiler + "' -target arm64-apple-macos11 -c '" + source + "' -o '" + work + "/main.o'", log))
    GTEST_SKIP() << "clang-14 cannot compile for arm64-apple-macos11 here";

  std::string app = mac_.addApp({"Linked", "com.example.linked", "1.0", "linked-notes", {}});
  std::string executable = app + "/Contents/MacOS/linked-notes";
  fs::remove(executable);
  ASSERT_TRUE(runQuietly("'" + *linker + "' -arch arm64 -platform_version macos 11.0 11.0 -e _main -o '" +
                             executable + "' '" + work + "/main.o'",
                         log))
      << "ld64.lld-14 failed; see " << log;

  auto bytes = platform::readFileBytes(executable, 1 << 20);
  ASSERT_TRUE(bytes.has_value());
  auto signature = macho::readCodeSignature(*bytes);
  ASSERT_TRUE(signature.has_value());
  EXPECT_EQ(signature->identifier, "linked-notes");
  EXPECT_EQ(signature->teamIdentifier, std::nullopt);
  EXPECT_EQ(signature->entitlements, std::nullopt);
  EXPECT_EQ(SignatureInspector::inspect(Url::fileURL(app)), (SignatureFacts{"linked-notes", std::nullopt, {}}));
}

}  // namespace
}  // namespace corvane
