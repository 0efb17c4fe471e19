#include "formats/macho_validation.h"

#include <algorithm>

#include "base/sha256.h"
#include "formats/byte_cursor.h"

namespace corvane::macho {

namespace {

using namespace superblob;

constexpr std::uint32_t kSignatureBlobMagic = 0xfade0b01;
constexpr std::uint32_t kSlotSignature = 0x10000;
// Special slots count backwards from the code hashes.
constexpr std::uint32_t kSpecialInfoPlist = 1;
constexpr std::uint32_t kSpecialEntitlements = 5;

constexpr std::uint32_t kFlagAdHoc = 0x2;
constexpr std::uint8_t kHashSha256 = 2;
constexpr std::uint32_t kSha256Size = 32;
constexpr std::uint32_t kCodeLimit64Version = 0x20300;
constexpr std::uint8_t kMinPageShift = 9;
constexpr std::uint8_t kMaxPageShift = 20;
// Code is read and hashed this many bytes at a time.
constexpr std::uint64_t kReadChunk = std::uint64_t{1} << 20;

struct Blobs {
  std::vector<std::span<const std::uint8_t>> directories;
  std::optional<std::span<const std::uint8_t>> entitlements;  // the whole blob, header included
  bool hasSignatureBlob = false;
};

Blobs blobsOf(std::span<const std::uint8_t> superBlob) {
  Blobs blobs;
  ByteCursor c(superBlob);
  c.seek(8);
  const std::uint32_t count = c.be32();
  if (!c.fits(count, 8)) return blobs;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t type = c.be32();
    const std::uint32_t offset = c.be32();
    if (type == kSlotCodeDirectory || (type >= kSlotFirstAlternateCodeDirectory && type < kSlotFirstAlternateCodeDirectory + kAlternateCodeDirectorySlots)) {
      if (auto directory = blobAt(superBlob, offset, kCodeDirectoryMagic)) blobs.directories.push_back(*directory);
    } else if (type == kSlotEntitlements && !blobs.entitlements) {
      blobs.entitlements = blobAt(superBlob, offset, kEntitlementsMagic);
    } else if (type == kSlotSignature) {
      auto signature = blobAt(superBlob, offset, kSignatureBlobMagic);
      blobs.hasSignatureBlob = blobs.hasSignatureBlob || (signature && signature->size() > 8);
    }
  }
  return blobs;
}

struct Directory {
  std::span<const std::uint8_t> bytes;
  std::uint32_t version = 0;
  std::uint32_t flags = 0;
  std::uint32_t hashOffset = 0;
  std::uint32_t specialSlots = 0;
  std::uint32_t codeSlots = 0;
  std::uint64_t codeLimit = 0;
  std::uint8_t hashSize = 0;
  std::uint8_t hashType = 0;
  std::uint8_t pageShift = 0;
  std::string identifier;
  std::string team;
};

std::string textAt(std::span<const std::uint8_t> bytes, std::uint32_t offset) {
  if (offset == 0) return {};
  ByteCursor c(bytes);
  c.seek(offset);
  std::string_view text = c.cString();
  return c.ok() ? std::string(text) : std::string();
}

std::optional<Directory> directoryOf(std::span<const std::uint8_t> bytes) {
  ByteCursor c(bytes);
  Directory d;
  d.bytes = bytes;
  c.seek(8);
  d.version = c.be32();
  d.flags = c.be32();
  d.hashOffset = c.be32();
  const std::uint32_t identOffset = c.be32();
  d.specialSlots = c.be32();
  d.codeSlots = c.be32();
  d.codeLimit = c.be32();
  d.hashSize = c.u8();
  d.hashType = c.u8();
  c.skip(1);  // platform
  d.pageShift = c.u8();
  if (!c.ok()) return std::nullopt;
  if (d.version >= kCodeDirectoryTeamVersion) {
    c.seek(48);
    d.team = textAt(bytes, c.be32());
  }
  if (d.version >= kCodeLimit64Version) {
    c.seek(56);
    if (const std::uint64_t limit64 = c.be64(); c.ok() && limit64 != 0) d.codeLimit = limit64;
  }
  d.identifier = textAt(bytes, identOffset);
  if (!c.ok() || d.identifier.empty()) return std::nullopt;
  return d;
}

// The hash in special slot `slot`, or in code slot `slot`; empty when out of range.
std::span<const std::uint8_t> specialHash(const Directory& d, std::uint32_t slot) {
  if (slot > d.specialSlots) return {};
  return d.bytes.subspan(d.hashOffset - std::uint64_t{slot} * d.hashSize, d.hashSize);
}

bool isZero(std::span<const std::uint8_t> hash) {
  return std::all_of(hash.begin(), hash.end(), [](std::uint8_t b) { return b == 0; });
}

bool matches(std::span<const std::uint8_t> hash, std::span<const std::uint8_t> bytes) {
  const Sha256::Digest digest = Sha256::of(bytes);
  return hash.size() == digest.size() && std::equal(hash.begin(), hash.end(), digest.begin());
}

bool wellFormed(const Directory& d, const SignatureLocation& where) {
  if (d.hashSize != kSha256Size || d.codeLimit > where.sliceSize) return false;
  if (d.pageShift != 0 && (d.pageShift < kMinPageShift || d.pageShift > kMaxPageShift)) return false;
  const std::uint64_t special = std::uint64_t{d.specialSlots} * d.hashSize;
  const std::uint64_t code = std::uint64_t{d.codeSlots} * d.hashSize;
  if (special > d.hashOffset || d.hashOffset > d.bytes.size() || code > d.bytes.size() - d.hashOffset) return false;
  const std::uint64_t expected =
      d.pageShift == 0 ? (d.codeLimit > 0 ? 1 : 0) : (d.codeLimit + (std::uint64_t{1} << d.pageShift) - 1) >> d.pageShift;
  return d.codeSlots == expected;
}

// Every page of the slice below the code limit hashes to its slot.
bool codeMatches(const Directory& d, const ByteSource& file, const SignatureLocation& where) {
  const std::uint64_t page = d.pageShift == 0 ? std::max<std::uint64_t>(d.codeLimit, 1) : std::uint64_t{1} << d.pageShift;
  const std::uint64_t chunk = std::max(page, kReadChunk / page * page);
  std::uint32_t slot = 0;
  for (std::uint64_t start = 0; start < d.codeLimit; start += chunk) {
    const std::uint64_t length = std::min(chunk, d.codeLimit - start);
    auto bytes = file.read(where.sliceOffset + start, length);
    if (!bytes) return false;
    for (std::uint64_t at = 0; at < length; at += page, ++slot) {
      const auto piece = std::span<const std::uint8_t>(*bytes).subspan(at, std::min(page, length - at));
      if (!matches(d.bytes.subspan(d.hashOffset + std::uint64_t{slot} * d.hashSize, d.hashSize), piece)) return false;
    }
  }
  return slot == d.codeSlots;
}

}  // namespace

SignatureCheck checkSignature(const ByteSource& file, const std::optional<std::vector<std::uint8_t>>& infoPlist) {
  auto where = locateSignature(file);
  if (!where) return {};
  auto invalid = [](const char* problem) { return SignatureCheck{SignatureState::invalid, problem}; };
  const Blobs blobs = blobsOf(where->superBlob);
  std::vector<Directory> directories;
  for (auto bytes : blobs.directories)
    if (auto d = directoryOf(bytes)) directories.push_back(*d);
  if (directories.empty()) return invalid(problems::kNoCodeDirectory);
  for (const Directory& d : directories)
    if (d.identifier != directories.front().identifier || d.team != directories.front().team ||
        ((d.flags ^ directories.front().flags) & kFlagAdHoc) != 0)
      return invalid(problems::kDirectoriesDisagree);
  const Directory& first = directories.front();
  if ((first.flags & kFlagAdHoc) != 0 && !first.team.empty()) return invalid(problems::kAdHocTeam);
  if ((first.flags & kFlagAdHoc) == 0 && !blobs.hasSignatureBlob) return invalid(problems::kNoSignatureBlob);

  bool checked = false;
  for (const Directory& d : directories) {
    if (d.hashType != kHashSha256) continue;
    checked = true;
    if (!wellFormed(d, *where)) return invalid(problems::kMalformedDirectory);
    const auto entitlementsHash = specialHash(d, kSpecialEntitlements);
    if (blobs.entitlements ? !matches(entitlementsHash, *blobs.entitlements) : !isZero(entitlementsHash))
      return invalid(problems::kEntitlementsChanged);
    const auto infoHash = specialHash(d, kSpecialInfoPlist);
    if (!isZero(infoHash) && (!infoPlist || !matches(infoHash, *infoPlist))) return invalid(problems::kInfoChanged);
    if (!codeMatches(d, file, *where)) return invalid(problems::kCodeChanged);
  }
  if (!checked) return invalid(problems::kNoSha256Directory);
  return {SignatureState::valid, {}};
}

}  // namespace corvane::macho
