#pragma once
// Reads the embedded code signature of a Mach-O executable straight from its bytes: thin files (32 or 64
// bit, either byte order) and universal files. Pure code over positioned reads (of a file or of bytes in
// memory), safe on any input: a truncated or hostile file yields no signature, never a read out of bounds.
// Only the headers, the load commands and the signature are read, so the size of the file does not matter.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "corvane/model/signature_facts.h"

namespace corvane::macho {

// A universal file with more slices than this is not read (real ones have two or three); the bound keeps
// overlapping slices from multiplying the work.
inline constexpr std::uint32_t kMaxUniversalSlices = 64;
// Likewise for the load commands of one slice (real executables have tens to a few hundred) and the blobs of
// one signature (real ones have a handful).
inline constexpr std::uint32_t kMaxLoadCommands = 65536;
inline constexpr std::uint32_t kMaxSignatureBlobs = 1024;
// The bytes read for one slice's load commands (real ones take kilobytes) and for its signature (a code
// directory holds one hash per 4 KiB page, so a 4 GiB executable's signature takes about 50 MiB).
inline constexpr std::uint64_t kMaxLoadCommandBytes = std::uint64_t{4} << 20;
inline constexpr std::uint64_t kMaxSignatureBytes = std::uint64_t{64} << 20;

// Where the reader takes its bytes from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Exactly `length` bytes from `offset` (the caller keeps the range inside size()); none when they cannot
  // all be read.
  virtual std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset, std::uint64_t length) const = 0;
};

// Bytes in memory as a source.
class SpanSource final : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset, std::uint64_t length) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// What one slice's signature records. Each part is read on its own: a damaged code directory leaves the
// entitlements readable and the other way round.
struct CodeSignature {
  std::optional<std::string> identifier;
  std::optional<std::string> teamIdentifier;  // only code directories of version 0x20200 or later record one
  std::optional<std::vector<std::uint8_t>> entitlements;  // the XML property list of the entitlements blob

  bool operator==(const CodeSignature&) const = default;
};

// Where the signature that speaks for the file lies: that of a thin file, or of the first slice of a
// universal file that carries a readable signature superblob.
struct SignatureLocation {
  std::uint64_t sliceOffset = 0;      // from the start of the file
  std::uint64_t sliceSize = 0;
  std::uint64_t signatureOffset = 0;  // from the start of the slice
  std::vector<std::uint8_t> superBlob;
};
std::optional<SignatureLocation> locateSignature(const ByteSource& file);

// The signature of a thin file, or of the first slice of a universal file that carries one. None when
// the bytes are no Mach-O file, are malformed, or no slice has a readable signature superblob.
std::optional<CodeSignature> readCodeSignature(const ByteSource& file);
std::optional<CodeSignature> readCodeSignature(std::span<const std::uint8_t> file);

// The "com.apple.security.application-groups" entitlement: the list when it is a list of text, otherwise
// (absent, another type, a list holding anything but text, or unreadable XML) empty.
std::vector<std::string> applicationGroups(std::span<const std::uint8_t> entitlementsPlist);

// The facts a signature gives: identifier, team and application groups; empty facts for unsigned or
// unreadable files.
SignatureFacts signatureFacts(const ByteSource& file);
SignatureFacts signatureFacts(std::span<const std::uint8_t> file);

// The signature's blobs (always big-endian), for the reader above and the check of what a signature seals.
namespace superblob {
inline constexpr std::uint32_t kCodeDirectoryMagic = 0xfade0c02;
inline constexpr std::uint32_t kEntitlementsMagic = 0xfade7171;
inline constexpr std::uint32_t kSlotCodeDirectory = 0;
inline constexpr std::uint32_t kSlotEntitlements = 5;
inline constexpr std::uint32_t kSlotFirstAlternateCodeDirectory = 0x1000;
inline constexpr std::uint32_t kAlternateCodeDirectorySlots = 5;
inline constexpr std::uint32_t kCodeDirectoryTeamVersion = 0x20200;  // code directories that name a team

// The blob at `offset` inside a superblob, when it has the expected magic and its length fits.
std::optional<std::span<const std::uint8_t>> blobAt(std::span<const std::uint8_t> superBlob, std::uint64_t offset,
                                                    std::uint32_t magic);
}  // namespace superblob

}  // namespace corvane::macho
