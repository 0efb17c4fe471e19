// The signature check that comes before team and groups count as evidence: what a signature seals, on
// bytes built here and on a binary a real linker signed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "base/sha256.h"
#include "corvane/discovery/signature_validator.h"
#include "formats/macho_validation.h"
#include "platform/code_signature.h"
#include "sample_mac/macho_builder.h"
#include "sample_mac/sample_mac.h"

namespace corvane {
namespace {

using testing::MachOArch;
using Bytes = std::vector<std::uint8_t>;
using macho::SignatureCheck;
using macho::SignatureState;
namespace problems = macho::problems;

const std::string kTeam = "A1B2C3D4E5";
const Bytes kInfo = {'<', 'p', 'l', 'i', 's', 't', '/', '>'};

Bytes bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
std::size_t offsetOf(const Bytes& bytes, const Bytes& pattern) {
  auto it = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
  EXPECT_NE(it, bytes.end()) << "pattern not found";
  return static_cast<std::size_t>(it - bytes.begin());
}
const Bytes kCodeDirectoryMagic = {0xfa, 0xde, 0x0c, 0x02};

Bytes sealed(const std::optional<std::string>& team, std::size_t codeBytes = 9000) {
  testing::Seal seal;
  seal.entitlementsPlist = testing::entitlementsPlist({{kTeam + ".com.example.shared"}});
  seal.infoPlist = kInfo;
  seal.codeBytes = codeBytes;
  return testing::sealedThinMachO(MachOArch::arm64, "com.example.Notes", team, seal);
}

TEST(SignatureCheckTest, WhatTheSignatureSealsMustBeUnchanged) {
  struct Case {
    const char* what;
    Bytes file;
    std::optional<Bytes> info;
    SignatureCheck expected;
  };
  const SignatureCheck valid{SignatureState::valid, ""};
  auto invalid = [](const char* problem) { return SignatureCheck{SignatureState::invalid, problem}; };
  auto changed = [](Bytes file, const std::function<void(Bytes&)>& change) {
    change(file);
    return file;
  };
  const Bytes teamSigned = sealed(kTeam);
  const std::size_t directory = offsetOf(teamSigned, kCodeDirectoryMagic);
  const std::vector<Case> cases = {
      {"team, groups and Info.plist sealed", teamSigned, kInfo, valid},
      {"ad hoc, no team", sealed(std::nullopt), kInfo, valid},
      {"one page exactly", sealed(std::nullopt, 4096 - 80), kInfo, valid},
      {"a universal file checks its first signed slice",
       testing::universalMachO({{MachOArch::x86_64, sealed(kTeam)}, {MachOArch::arm64, sealed(kTeam)}}), kInfo,
       valid},
      {"no signature", testing::thinMachO(MachOArch::arm64, std::nullopt), kInfo, {}},
      {"a code byte changed", changed(teamSigned, [](Bytes& f) { f[200] ^= 1; }), kInfo,
       invalid(problems::kCodeChanged)},
      {"the load commands changed", changed(teamSigned, [](Bytes& f) { f[40] ^= 1; }), kInfo,
       invalid(problems::kCodeChanged)},
      {"a group renamed in the entitlements",
       changed(teamSigned, [](Bytes& f) { f[offsetOf(f, bytesOf(".com.example.shared")) + 1] = 'x'; }), kInfo,
       invalid(problems::kEntitlementsChanged)},
      {"another Info.plist", teamSigned, bytesOf("<plist></plist>"), invalid(problems::kInfoChanged)},
      {"the Info.plist removed", teamSigned, std::nullopt, invalid(problems::kInfoChanged)},
      {"the ad-hoc mark removed, no signature blob",
       changed(sealed(std::nullopt), [](Bytes& f) { f[offsetOf(f, kCodeDirectoryMagic) + 15] &= ~2; }), kInfo,
       invalid(problems::kNoSignatureBlob)},
      {"an ad-hoc directory naming a team",
       testing::buildSignedMachO("com.example.Notes", kTeam, {}, {.codeDirectoryVersion = 0x20300}), std::nullopt,
       invalid(problems::kAdHocTeam)},
      {"a SHA-1 directory only", changed(teamSigned, [&](Bytes& f) { f[directory + 37] = 1; }), kInfo,
       invalid(problems::kNoSha256Directory)},
      {"hash offset past the directory",
       changed(teamSigned, [&](Bytes& f) { f[directory + 16] = 0x7f; }), kInfo, invalid(problems::kMalformedDirectory)},
      {"code limit past the slice", changed(teamSigned, [&](Bytes& f) { f[directory + 32] = 0x7f; }), kInfo,
       invalid(problems::kMalformedDirectory)},
      {"no identifier", changed(teamSigned, [&](Bytes& f) { f[directory + 88] = 0; }), kInfo,
       invalid(problems::kNoCodeDirectory)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(macho::checkSignature(macho::SpanSource(c.file), c.info), c.expected);
  }
}

TEST(SignatureCheckTest, Sha256MatchesTheStandardVectors) {
  auto hex = [](const Sha256::Digest& d) {
    std::string out;
    for (std::uint8_t b : d) out += "0123456789abcdef"[b >> 4], out += "0123456789abcdef"[b & 15];
    return out;
  };
  EXPECT_EQ(hex(Sha256::of({})), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  const Bytes abc = bytesOf("abc");
  EXPECT_EQ(hex(Sha256::of(abc)), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const Bytes twoBlocks = bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
  Sha256 pieces;  // fed in pieces that straddle the 64-byte blocks
  for (std::size_t at = 0; at < twoBlocks.size(); at += 7)
    pieces.update(std::span<const std::uint8_t>(twoBlocks).subspan(at, std::min<std::size_t>(7, twoBlocks.size() - at)));
  EXPECT_EQ(hex(pieces.finish()), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

namespace fs = std::filesystem;

class SignatureValidatorTest : public ::testing::Test {
 protected:
  std::string app(const std::string& name, const Bytes& executable) {
    std::string path = mac_.addApp({name, "com.example." + name, "1.0", std::nullopt, {}});
    testing::SampleMac::writeFile(path + "/Contents/MacOS/" + name, std::string(executable.begin(), executable.end()));
    return path;
  }

  testing::TemporaryFolder folder_{"corvane-validation"};
  testing::SampleMac mac_{folder_.path()};
};

// A tampered bundle is unsigned as far as evidence goes, and says why; a sound one keeps its facts.
TEST_F(SignatureValidatorTest, ATamperedBundleKeepsNoTeamOrGroups) {
  const std::string sound = app("Sound", testing::buildSignedMachO("com.example.sound", kTeam, {"group.sound"}));
  EXPECT_EQ(SignatureValidator::inspect(Url::fileURL(sound)),
            (SignatureFacts{"com.example.sound", kTeam, {"group.sound"}, std::nullopt}));
  Bytes forged = testing::buildSignedMachO("com.example.forged", kTeam, {"group.other"});
  forged[offsetOf(forged, bytesOf("group.other")) + 6] = 'b';  // another team's group, written in afterwards
  const std::string tampered = app("Forged", forged);
  EXPECT_EQ(SignatureValidator::inspect(Url::fileURL(tampered)),
            (SignatureFacts{std::nullopt, std::nullopt, {}, problems::kEntitlementsChanged}));
  EXPECT_EQ(SignatureValidator::evidenceText(problems::kEntitlementsChanged),
            "The code signature does not hold (its entitlements are not the ones signed), so the app is treated as "
            "unsigned: its team and application groups are not evidence.");
}

// A binary signed by a real linker holds; one changed byte of its code breaks it.
TEST_F(SignatureValidatorTest, TheSignatureALinkerWroteHolds) {
  std::string work = folder_.path() + "/link";
  std::string source = testing::SampleMac::writeFile(work + "/main.c", "int main(void) { return 0; }\n");
  auto run = [&](const std::string& command) {
    return std::system(("{ " + command + "; } >'" + work + "/log.txt' 2>&1").c_str()) == 0;
  };
  if (!run("command -v clang-14 && command -v ld64.lld-14"))
    GTEST_SKIP() << "clang-14 and ld64.lld-14 are needed to link an arm64 macOS binary";
  if (!run("clang-14 -target arm64-apple-macos11 -c '" + source + "' -o '" + work + "/main.o'"))
    GTEST_SKIP() << "clang-14 cannot compile for arm64-apple-macos11 here";
  const std::string path = app("Linked", {});
  const std::string executable = path + "/Contents/MacOS/Linked";
  fs::remove(executable);
  ASSERT_TRUE(run("ld64.lld-14 -arch arm64 -platform_version macos 11.0 11.0 -e _main -o '" + executable + "' '" +
                  work + "/main.o'"))
      << "see " << work << "/log.txt";
  EXPECT_EQ(platform::checkCodeSignature(path), (SignatureCheck{SignatureState::valid, ""}));
  ASSERT_TRUE(run("printf '\\001' | dd of='" + executable + "' bs=1 seek=100 conv=notrunc"));
  EXPECT_EQ(platform::checkCodeSignature(path), (SignatureCheck{SignatureState::invalid, problems::kCodeChanged}));
}

}  // namespace
}  // namespace corvane
