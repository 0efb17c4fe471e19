#pragma once
// Builds small Mach-O executables byte by byte, with an embedded code signature (code directory and
// entitlements in a signature superblob), thin or universal. Nothing but the load commands and the
// signature is written: enough for readers of signatures, not for running.
//
// Thin layout: the header, an LC_UUID command, the LC_CODE_SIGNATURE command (when signed), then the
// signature at the next 16-byte boundary. Universal files align each slice to 16 bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::testing {

// 64-bit: arm64, x86_64, ppc64; 32-bit: i386, armv7, ppc. The PowerPC ones are big-endian files.
enum class MachOArch { arm64, x86_64, i386, armv7, ppc, ppc64 };

inline constexpr std::uint32_t kCodeDirectoryVersionWithTeam = 0x20200;
inline constexpr std::uint32_t kCodeDirectoryVersionLatest = 0x20400;

// Signature slot types.
inline constexpr std::uint32_t kSlotCodeDirectory = 0;
inline constexpr std::uint32_t kSlotRequirements = 2;
inline constexpr std::uint32_t kSlotEntitlements = 5;
inline constexpr std::uint32_t kSlotAlternateCodeDirectory = 0x1000;

// A code directory blob (magic 0xfade0c02) naming `identifier` and, when given, `team`. A team given with a
// version older than 0x20200 is still written where newer versions keep its offset.
std::vector<std::uint8_t> codeDirectoryBlob(const std::string& identifier, const std::optional<std::string>& team,
                        std::uint32_t version = kCodeDirectoryVersionLatest);
// An entitlements blob (magic 0xfade7171) holding `plist`.
std::vector<std::uint8_t> entitlementsBlob(const std::string& plist);
// An XML entitlements property list; the application-groups key is written only when `groups` is given.
std::string entitlementsPlist(const std::optional<std::vector<std::string>>& groups);

struct SignatureSlot {
  std::uint32_t type = kSlotCodeDirectory;
  std::vector<std::uint8_t> blob;
};
// A signature superblob (magic 0xfade0cc0) indexing the slots in the order given.
std::vector<std::uint8_t> signatureSuperBlob(const std::vector<SignatureSlot>& slots);

// A thin executable; with a signature, an LC_CODE_SIGNATURE command points at it.
std::vector<std::uint8_t> thinMachO(MachOArch arch, const std::optional<std::vector<std::uint8_t>>& signature);

// Writes a thin executable to `path` whose signature lies at `signatureOffset` (past the load commands) rather
// than right after them. Only the header and the signature are written; what lies between is a hole, so a
// file of hundreds of MiB takes no disk space.
void writeSparseMachO(const std::string& path, MachOArch arch, const std::vector<std::uint8_t>& signature,
                      std::uint32_t signatureOffset);

struct UniversalSlice {
  MachOArch arch = MachOArch::arm64;
  std::vector<std::uint8_t> bytes;
};
// A universal file (magic 0xcafebabe, or 0xcafebabf with 64-bit entries when `wideEntries`).
std::vector<std::uint8_t> universalMachO(const std::vector<UniversalSlice>& slices, bool wideEntries = false);

// What a sealed signature seals besides the code.
struct Seal {
  std::optional<std::string> entitlementsPlist;        // sealed in an entitlements blob
  std::optional<std::vector<std::uint8_t>> infoPlist;  // the bundle's Info.plist, when bound
  std::size_t codeBytes = 0;                           // code between the load commands and the signature
};
// A thin executable whose signature seals it as a signing tool does: a SHA-256 code directory (version
// 0x20400, 4 KiB pages) with the hash of every page up to the signature and of the entitlements blob and
// Info.plist. Without a team it is ad hoc; with one it also carries a signature blob (placeholder bytes:
// no certificate is made).
std::vector<std::uint8_t> sealedThinMachO(MachOArch arch, const std::string& identifier,
                                          const std::optional<std::string>& team, const Seal& seal);

struct MachOOptions {
  // One architecture gives a thin file; more give a universal file with one signed slice each.
  std::vector<MachOArch> architectures{MachOArch::arm64};
  bool wideUniversalEntries = false;
  std::uint32_t codeDirectoryVersion = kCodeDirectoryVersionLatest;
};

// A signed executable: a code directory for `identifier` and `teamIdentifier`, and an entitlements blob
// listing `applicationGroups` (no entitlements blob when the list is empty). With the latest code directory
// version each slice is sealed (sealedThinMachO), so the signature holds.
std::vector<std::uint8_t> buildSignedMachO(const std::string& identifier, const std::optional<std::string>& teamIdentifier,
                       const std::vector<std::string>& applicationGroups, const MachOOptions& options = {});

}  // namespace corvane::testing
