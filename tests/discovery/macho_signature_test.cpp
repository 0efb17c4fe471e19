// The signature reader on bytes, and the inspector that finds a bundle's executable and reads it in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "corvane/discovery/signature_inspector.h"
#include "formats/macho_signature.h"
#include "discovery/signature_facts_printer.h"
#include "platform/file_io.h"
#include "sample_mac/bundle_components.h"
#include "sample_mac/macho_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::MachOArch;
using Bytes = std::vector<std::uint8_t>;

const std::string kIdentifier = "com.example.Notes";
const std::string kTeam = "A1B2C3D4E5";
const std::vector<std::string> kGroups = {"A1B2C3D4E5.com.example.shared", "group.com.example.notes"};

SignatureFacts fullFacts() { return {kIdentifier, kTeam, kGroups}; }
SignatureFacts identifiersOnly() { return {kIdentifier, kTeam, {}}; }

// Where a byte pattern first occurs; fails the test when it does not.
std::size_t offsetOf(const Bytes& bytes, const Bytes& pattern) {
  auto it = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
  EXPECT_NE(it, bytes.end()) << "pattern not found";
  return static_cast<std::size_t>(it - bytes.begin());
}
void putLittle32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}
void putBig32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}
void putBig64(Bytes& bytes, std::size_t offset, std::uint64_t value) {
  putBig32(bytes, offset, static_cast<std::uint32_t>(value >> 32));
  putBig32(bytes, offset + 4, static_cast<std::uint32_t>(value));
}

const Bytes kCodeSignatureCommand = {0x1d, 0, 0, 0, 0x10, 0, 0, 0};  // LC_CODE_SIGNATURE, cmdsize 16 (little-endian)
const Bytes kSuperBlobMagic = {0xfa, 0xde, 0x0c, 0xc0};
const Bytes kCodeDirectoryMagic = {0xfa, 0xde, 0x0c, 0x02};
const Bytes kEntitlementsMagic = {0xfa, 0xde, 0x71, 0x71};

Bytes signedArm64() { return testing::buildSignedMachO(kIdentifier, kTeam, kGroups); }

std::optional<macho::CodeSignature> read(const Bytes& bytes) { return macho::readCodeSignature(bytes); }

// A thin arm64 file whose signature holds the given slots.
Bytes thinWithSlots(const std::vector<testing::SignatureSlot>& slots) {
  return testing::thinMachO(MachOArch::arm64, testing::signatureSuperBlob(slots));
}

TEST(MachOSignatureTest, ReadsThinFilesOfEveryWidthAndByteOrder) {
  for (MachOArch arch : {MachOArch::arm64, MachOArch::i386, MachOArch::ppc, MachOArch::ppc64}) {
    SCOPED_TRACE(static_cast<int>(arch));
    testing::MachOOptions options;
    options.architectures = {arch};
    EXPECT_EQ(macho::signatureFacts(testing::buildSignedMachO(kIdentifier, kTeam, kGroups, options)), fullFacts());
  }
}

TEST(MachOSignatureTest, TeamIsReadOnlyFromCodeDirectoriesThatRecordOne) {
  for (std::uint32_t version : {0x20001u, 0x20100u}) {
    SCOPED_TRACE(version);
    testing::MachOOptions old;
    old.codeDirectoryVersion = version;
    EXPECT_EQ(macho::signatureFacts(testing::buildSignedMachO(kIdentifier, kTeam, {}, old)),
              (SignatureFacts{kIdentifier, std::nullopt, {}}));
  }
  testing::MachOOptions first;
  first.codeDirectoryVersion = testing::kCodeDirectoryVersionWithTeam;
  EXPECT_EQ(macho::signatureFacts(testing::buildSignedMachO(kIdentifier, kTeam, {}, first)), identifiersOnly());
  // Ad-hoc signatures record no team: a team offset of zero.
  EXPECT_EQ(macho::signatureFacts(testing::buildSignedMachO(kIdentifier, std::nullopt, kGroups)),
            (SignatureFacts{kIdentifier, std::nullopt, kGroups}));
  // An alternate code directory stands in for a missing primary one.
  EXPECT_EQ(macho::signatureFacts(thinWithSlots(
                {{testing::kSlotRequirements, {0xfa, 0xde, 0x0c, 0x01, 0, 0, 0, 12, 0, 0, 0, 0}},
                 {testing::kSlotAlternateCodeDirectory, testing::codeDirectoryBlob(kIdentifier, kTeam)}})),
            identifiersOnly());
}

TEST(MachOSignatureTest, UnsignedFileHasNoSignature) {
  EXPECT_EQ(read(testing::thinMachO(MachOArch::arm64, std::nullopt)), std::nullopt);
  EXPECT_EQ(macho::signatureFacts(Bytes{'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'}), SignatureFacts{});
  EXPECT_EQ(macho::signatureFacts(Bytes{}), SignatureFacts{});
}

TEST(MachOSignatureTest, EveryTruncationOfAValidFileIsRefused) {
  Bytes file = signedArm64();
  ASSERT_EQ(macho::signatureFacts(file), fullFacts());
  for (std::size_t size = 0; size < file.size(); ++size) {
    Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    ASSERT_EQ(read(prefix), std::nullopt) << "size " << size;
  }
}

// One malformed field per case; each refuses the whole file.
TEST(MachOSignatureTest, RefusesMalformedHeadersAndLoadCommands) {
  const std::size_t commandCount = 16, commandsSize = 20;
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
  };
  const std::vector<Case> cases = {
      {"unknown magic", [](Bytes& b) { putLittle32(b, 0, 0xfeedfacd); }},
      {"command count beyond the commands' size", [&](Bytes& b) { putLittle32(b, commandCount, 6); }},
      {"commands' size cuts the signature command", [&](Bytes& b) { putLittle32(b, commandsSize, 24 + 8); }},
      {"cmdsize below a command header", [](Bytes& b) { putLittle32(b, 32 + 4, 4); }},
      {"cmdsize past the commands",
       [](Bytes& b) { putLittle32(b, offsetOf(b, kCodeSignatureCommand) + 4, 24); }},
      {"signature command too short for its fields",
       [](Bytes& b) { putLittle32(b, offsetOf(b, kCodeSignatureCommand) + 4, 8); }},
      {"datasize past the end", [](Bytes& b) { putLittle32(b, offsetOf(b, kCodeSignatureCommand) + 12, 0xffffffff); }},
      {"signature data too short for a superblob",
       [](Bytes& b) { putLittle32(b, offsetOf(b, kCodeSignatureCommand) + 12, 8); }},
      {"superblob magic", [](Bytes& b) { putBig32(b, offsetOf(b, kSuperBlobMagic), 0xfade0cc1); }},
      {"superblob length past the signature data",
       [](Bytes& b) { putBig32(b, offsetOf(b, kSuperBlobMagic) + 4, 0x10000); }},
      {"superblob length below its header", [](Bytes& b) { putBig32(b, offsetOf(b, kSuperBlobMagic) + 4, 8); }},
      {"superblob count one past its index",
       [](Bytes& b) {
         std::size_t at = offsetOf(b, kSuperBlobMagic);
         std::uint32_t length = static_cast<std::uint32_t>(b[at + 6] << 8 | b[at + 7]);
         putBig32(b, at + 8, (length - 12) / 8 + 1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = signedArm64();
    c.damage(file);
    EXPECT_EQ(read(file), std::nullopt);
  }
}

// Damage inside one blob leaves what the other blobs say.
TEST(MachOSignatureTest, DamagedBlobsLoseOnlyWhatTheyHold) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    SignatureFacts expected;
  };
  auto directory = [](const Bytes& b) { return offsetOf(b, kCodeDirectoryMagic); };
  auto firstIndexOffset = [](const Bytes& b) { return offsetOf(b, kSuperBlobMagic) + 12 + 4; };
  const SignatureFacts groupsOnly{std::nullopt, std::nullopt, kGroups};
  const std::vector<Case> cases = {
      {"code directory offset out of range", [&](Bytes& b) { putBig32(b, firstIndexOffset(b), 0xfffffff0); }, groupsOnly},
      {"code directory magic", [&](Bytes& b) { putBig32(b, directory(b), 0xfade0c03); }, groupsOnly},
      {"code directory length past the superblob", [&](Bytes& b) { putBig32(b, directory(b) + 4, 0x100000); }, groupsOnly},
      {"code directory shorter than its fixed fields", [&](Bytes& b) { putBig32(b, directory(b) + 4, 40); }, groupsOnly},
      {"identOffset out of range", [&](Bytes& b) { putBig32(b, directory(b) + 20, 0xffffffff); },
       {std::nullopt, kTeam, kGroups}},
      {"identOffset inside the fixed fields", [&](Bytes& b) { putBig32(b, directory(b) + 20, 8); },
       {std::nullopt, kTeam, kGroups}},
      // The last byte of the fixed fields made a one-letter string, and the first byte after them.
      {"identOffset at the last fixed byte",
       [&](Bytes& b) { putBig32(b, directory(b) + 20, 43), b[directory(b) + 43] = 'X'; }, {std::nullopt, kTeam, kGroups}},
      {"identOffset right after the fixed fields",
       [&](Bytes& b) { putBig32(b, directory(b) + 20, 44), b[directory(b) + 44] = 'Y', b[directory(b) + 45] = 0; },
       {"Y", kTeam, kGroups}},
      {"teamOffset out of range", [&](Bytes& b) { putBig32(b, directory(b) + 48, 0x7fffffff); },
       {kIdentifier, std::nullopt, kGroups}},
      {"entitlements length below a blob header",
       [&](Bytes& b) { putBig32(b, offsetOf(b, kEntitlementsMagic) + 4, 4); }, identifiersOnly()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = signedArm64();
    c.damage(file);
    EXPECT_EQ(macho::signatureFacts(file), c.expected);
  }
}

// A thin 64-bit file with `fillers` empty 8-byte commands before its LC_CODE_SIGNATURE.
Bytes withFillerCommands(std::uint32_t fillers) {
  Bytes signature = testing::signatureSuperBlob(
      {{testing::kSlotCodeDirectory, testing::codeDirectoryBlob(kIdentifier, std::nullopt)}});
  std::uint32_t commandsSize = fillers * 8 + 16;
  Bytes file(32 + commandsSize, 0);
  putLittle32(file, 0, 0xfeedfacf);
  putLittle32(file, 16, fillers + 1);
  putLittle32(file, 20, commandsSize);
  for (std::uint32_t i = 0; i < fillers; ++i) {
    putLittle32(file, 32 + 8 * i, 0x7ffffff0);
    putLittle32(file, 32 + 8 * i + 4, 8);
  }
  std::size_t at = 32 + 8 * std::size_t{fillers};
  putLittle32(file, at, 0x1d);
  putLittle32(file, at + 4, 16);
  putLittle32(file, at + 8, static_cast<std::uint32_t>(file.size()));
  putLittle32(file, at + 12, static_cast<std::uint32_t>(signature.size()));
  file.insert(file.end(), signature.begin(), signature.end());
  return file;
}

TEST(MachOSignatureTest, CountsAboveTheirLimitsAreRefused) {
  const SignatureFacts named{kIdentifier, std::nullopt, {}};
  EXPECT_EQ(macho::signatureFacts(withFillerCommands(macho::kMaxLoadCommands - 1)), named);
  EXPECT_EQ(read(withFillerCommands(macho::kMaxLoadCommands)), std::nullopt);

  auto withBlobs = [](std::uint32_t count) {
    std::vector<testing::SignatureSlot> slots{
        {testing::kSlotCodeDirectory, testing::codeDirectoryBlob(kIdentifier, std::nullopt)}};
    while (slots.size() < count) slots.push_back({0x10000, {0xfa, 0xde, 0x0b, 0x01, 0, 0, 0, 8}});
    return thinWithSlots(slots);
  };
  EXPECT_EQ(macho::signatureFacts(withBlobs(macho::kMaxSignatureBlobs)), named);
  EXPECT_EQ(read(withBlobs(macho::kMaxSignatureBlobs + 1)), std::nullopt);

  // Sizes: a file of 5 GiB that holds only its header (zeros elsewhere), so nothing is read past the limits.
  struct Sparse final : macho::ByteSource {
    Bytes head;
    std::uint64_t size() const override { return std::uint64_t{5} << 30; }
    std::optional<Bytes> read(std::uint64_t offset, std::uint64_t length) const override {
      if (length > macho::kMaxSignatureBytes) ADD_FAILURE() << "read of " << length << " bytes";
      Bytes out(static_cast<std::size_t>(std::min<std::uint64_t>(length, macho::kMaxSignatureBytes)));
      for (std::size_t i = 0; i < out.size() && offset + i < head.size(); ++i) out[i] = head[offset + i];
      return out;
    }
  };
  Sparse bigCommands, bigSignature;
  bigCommands.head = bigSignature.head = signedArm64();
  putLittle32(bigCommands.head, 20, static_cast<std::uint32_t>(macho::kMaxLoadCommandBytes + 8));
  putLittle32(bigSignature.head, offsetOf(bigSignature.head, kCodeSignatureCommand) + 12,
              static_cast<std::uint32_t>(macho::kMaxSignatureBytes + 16));
  EXPECT_EQ(macho::readCodeSignature(bigCommands), std::nullopt);
  EXPECT_EQ(macho::readCodeSignature(bigSignature), std::nullopt);
}

TEST(MachOSignatureTest, RefusesMalformedUniversalFiles) {
  Bytes arm = signedArm64();
  Bytes intel = testing::thinMachO(MachOArch::x86_64, testing::signatureSuperBlob(
      {{testing::kSlotCodeDirectory, testing::codeDirectoryBlob("com.example.intel", std::nullopt)}}));
  auto universal = [&](bool wide) {
    return testing::universalMachO({{MachOArch::arm64, arm}, {MachOArch::x86_64, intel}}, wide);
  };
  const std::size_t sliceCount = 4, firstEntry = 8, secondEntry64 = 8 + 32;

  Bytes beyondTable = universal(false);
  ASSERT_LT(beyondTable.size(), 8 + 20 * macho::kMaxUniversalSlices);
  putBig32(beyondTable, sliceCount, static_cast<std::uint32_t>(macho::kMaxUniversalSlices));
  EXPECT_EQ(read(beyondTable), std::nullopt);

  Bytes overLimit = universal(false);
  overLimit.resize(8 + 20 * (macho::kMaxUniversalSlices + 1) + overLimit.size());
  putBig32(overLimit, sliceCount, macho::kMaxUniversalSlices + 1);
  EXPECT_EQ(read(overLimit), std::nullopt);

  Bytes truncatedHeader = universal(false);
  truncatedHeader.resize(6);
  EXPECT_EQ(read(truncatedHeader), std::nullopt);

  // A damaged slice is passed over for the next one.
  Bytes offsetPastEnd = universal(false);
  putBig32(offsetPastEnd, firstEntry + 8, static_cast<std::uint32_t>(offsetPastEnd.size() + 16));
  EXPECT_EQ(macho::signatureFacts(offsetPastEnd), (SignatureFacts{"com.example.intel", std::nullopt, {}}));

  Bytes sizePastEnd = universal(false);
  putBig32(sizePastEnd, firstEntry + 12, 0xffffffff);
  EXPECT_EQ(macho::signatureFacts(sizePastEnd), (SignatureFacts{"com.example.intel", std::nullopt, {}}));

  Bytes wideOffsets = universal(true);
  putBig64(wideOffsets, firstEntry + 8, 0xfffffffffffffff0);
  putBig64(wideOffsets, secondEntry64 + 16, 0xffffffffffffffff);
  EXPECT_EQ(read(wideOffsets), std::nullopt);

  // A slice that is itself a universal file is not followed.
  Bytes nested = testing::universalMachO({{MachOArch::arm64, universal(false)}});
  EXPECT_EQ(read(nested), std::nullopt);
}

namespace fs = std::filesystem;

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class SignatureInspectorTest : public ::testing::Test {
 protected:
  // An app whose main executable holds `executable`.
  std::string appWithExecutable(const std::string& name, const Bytes& executable) {
    std::string app = mac_.addApp({name, "com.example." + name, "1.0", std::nullopt, {}});
    testing::SampleMac::writeFile(app + "/Contents/MacOS/" + name, text(executable));
    return app;
  }
  static SignatureFacts inspect(const std::string& path) { return SignatureInspector::inspect(Url::fileURL(path)); }

  testing::TemporaryFolder folder_{"corvane-signature"};
  testing::SampleMac mac_{folder_.path()};
};

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
    EXPECT_EQ(inspect(app), (SignatureFacts{c.name, "TEAM123456", {"group.x"}}));
  }
}

// Only the header, the load commands and the signature are read, wherever the signature lies.
TEST_F(SignatureInspectorTest, ReadsTheSignatureAtTheEndOfAnExecutableOver256MiB) {
  std::string app = mac_.addApp({"Huge", "com.example.huge", "1.0", std::nullopt, {}});
  std::string executable = app + "/Contents/MacOS/Huge";
  auto signature = testing::signatureSuperBlob(
      {{testing::kSlotCodeDirectory, testing::codeDirectoryBlob("com.example.huge", "HUGE123456")},
       {testing::kSlotEntitlements, testing::entitlementsBlob(testing::entitlementsPlist({{"group.huge"}}))}});
  testing::writeSparseMachO(executable, MachOArch::arm64, signature, std::uint32_t{300} << 20);
  ASSERT_GT(fs::file_size(executable), std::uintmax_t{256} << 20);
  EXPECT_EQ(inspect(app), (SignatureFacts{"com.example.huge", "HUGE123456", {"group.huge"}}));
}

// A binary signed by a real linker: ld64.lld writes an ad-hoc signature named after the output file.
TEST_F(SignatureInspectorTest, ReadsTheSignatureALinkerWrote) {
  std::string work = folder_.path() + "/link";
  std::string source = testing::SampleMac::writeFile(work + "/main.c", "int main(void) { return 0; }\n");
  // Runs a command line in a child shell, its output kept in a log; true when it exits 0.
  auto run = [&](const std::string& command) {
    return std::system(("{ " + command + "; } >'" + work + "/log.txt' 2>&1").c_str()) == 0;
  };
  if (!run("command -v clang-14 && command -v ld64.lld-14"))
    GTEST_SKIP() << "clang-14 and ld64.lld-14 are needed to link an arm64 macOS binary";
  if (!run("clang-14 -target arm64-apple-macos11 -c '" + source + "' -o '" + work + "/main.o'"))
    GTEST_SKIP() << "clang-14 cannot compile for arm64-apple-macos11 here";

  std::string app = mac_.addApp({"Linked", "com.example.linked", "1.0", "linked-notes", {}});
  std::string executable = app + "/Contents/MacOS/linked-notes";
  fs::remove(executable);
  ASSERT_TRUE(run("ld64.lld-14 -arch arm64 -platform_version macos 11.0 11.0 -e _main -o '" + executable + "' '" +
                  work + "/main.o'"))
      << "ld64.lld-14 failed; see " << work << "/log.txt";

  EXPECT_EQ(inspect(app), (SignatureFacts{"linked-notes", std::nullopt, {}}));
}

}  // namespace
}  // namespace corvane
