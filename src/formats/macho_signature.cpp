#include "formats/macho_signature.h"

#include <algorithm>

#include "corvane/formats/property_list.h"
#include "formats/byte_cursor.h"

namespace corvane::macho {

namespace {

// Universal (fat) header: always big-endian.
constexpr std::uint32_t kFatMagic = 0xcafebabe;
constexpr std::uint32_t kFatMagic64 = 0xcafebabf;
constexpr std::uint64_t kFatHeaderSize = 8;
constexpr std::uint64_t kFatArchSize = 20;
constexpr std::uint64_t kFatArch64Size = 32;

// Thin headers, as read in little-endian order: the "swapped" forms are big-endian files.
constexpr std::uint32_t kMachMagic = 0xfeedface;
constexpr std::uint32_t kMachMagic64 = 0xfeedfacf;
constexpr std::uint32_t kMachSwappedMagic = 0xcefaedfe;
constexpr std::uint32_t kMachSwappedMagic64 = 0xcffaedfe;
constexpr std::uint64_t kMachHeaderSize = 28;
constexpr std::uint64_t kMachHeader64Size = 32;

constexpr std::uint32_t kLoadCodeSignature = 0x1d;
constexpr std::uint64_t kLoadCommandHeaderSize = 8;     // cmd, cmdsize
constexpr std::uint64_t kLinkeditDataCommandSize = 16;  // cmd, cmdsize, dataoff, datasize

// Signature blobs: always big-endian.
constexpr std::uint32_t kSuperBlobMagic = 0xfade0cc0;
constexpr std::uint64_t kSuperBlobHeaderSize = 12;  // magic, length, count
constexpr std::uint64_t kBlobIndexEntrySize = 8;    // type, offset
constexpr std::uint64_t kBlobHeaderSize = 8;        // magic, length


// Code directory fields (offsets from the blob's start).
constexpr std::uint64_t kCodeDirectoryVersionField = 8;
constexpr std::uint64_t kCodeDirectoryIdentOffsetField = 20;
constexpr std::uint64_t kCodeDirectoryFixedSize = 44;  // the fields every version has
constexpr std::uint64_t kCodeDirectoryTeamOffsetField = 48;

using namespace superblob;

std::optional<std::span<const std::uint8_t>> blobIn(const ByteCursor& superBlob, std::uint64_t offset,
                                                    std::uint32_t magic) {
  ByteCursor header = superBlob.slice(offset, kBlobHeaderSize);
  std::uint32_t blobMagic = header.be32();
  std::uint32_t length = header.be32();
  if (!header.ok() || blobMagic != magic || length < kBlobHeaderSize) return std::nullopt;
  ByteCursor blob = superBlob.slice(offset, length);
  if (!blob.ok()) return std::nullopt;
  return blob.bytes(length);
}

// Identifier and team strings lie after the fixed fields and end inside the directory; empty ones count as absent.
std::optional<std::string> directoryString(std::span<const std::uint8_t> directory, std::uint32_t offset) {
  if (offset < kCodeDirectoryFixedSize) return std::nullopt;
  ByteCursor c(directory);
  c.seek(offset);
  std::string_view text = c.cString();
  if (!c.ok() || text.empty()) return std::nullopt;
  return std::string(text);
}

void readCodeDirectory(std::span<const std::uint8_t> directory, CodeSignature& signature) {
  if (directory.size() < kCodeDirectoryFixedSize) return;
  ByteCursor c(directory);
  c.seek(kCodeDirectoryVersionField);
  std::uint32_t version = c.be32();
  c.seek(kCodeDirectoryIdentOffsetField);
  signature.identifier = directoryString(directory, c.be32());
  if (version < kCodeDirectoryTeamVersion) return;
  c.seek(kCodeDirectoryTeamOffsetField);
  std::uint32_t teamOffset = c.be32();
  if (c.ok() && teamOffset != 0) signature.teamIdentifier = directoryString(directory, teamOffset);
}

std::optional<CodeSignature> readSuperBlob(std::span<const std::uint8_t> data) {
  ByteCursor c(data);
  std::uint32_t magic = c.be32();
  std::uint32_t length = c.be32();
  std::uint32_t count = c.be32();
  if (!c.ok() || magic != kSuperBlobMagic) return std::nullopt;
  if (length < kSuperBlobHeaderSize || length > data.size()) return std::nullopt;
  if (count > kMaxSignatureBlobs || count > (length - kSuperBlobHeaderSize) / kBlobIndexEntrySize)
    return std::nullopt;
  ByteCursor superBlob = c.slice(0, length);
  ByteCursor index = superBlob;
  index.seek(kSuperBlobHeaderSize);

  std::optional<std::span<const std::uint8_t>> directory, alternateDirectory, entitlements;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t type = index.be32();
    std::uint32_t offset = index.be32();
    if (type == kSlotCodeDirectory && !directory) {
      directory = blobIn(superBlob, offset, kCodeDirectoryMagic);
    } else if (type >= kSlotFirstAlternateCodeDirectory &&
               type < kSlotFirstAlternateCodeDirectory + kAlternateCodeDirectorySlots && !alternateDirectory) {
      alternateDirectory = blobIn(superBlob, offset, kCodeDirectoryMagic);
    } else if (type == kSlotEntitlements && !entitlements) {
      entitlements = blobIn(superBlob, offset, kEntitlementsMagic);
    }
  }

  CodeSignature signature;
  if (directory || alternateDirectory) readCodeDirectory(directory ? *directory : *alternateDirectory, signature);
  if (entitlements) {
    auto xml = entitlements->subspan(kBlobHeaderSize);
    signature.entitlements = std::vector<std::uint8_t>(xml.begin(), xml.end());
  }
  return signature;
}

// A part of the source: the whole file or one slice of a universal file.
class Window {
 public:
  Window(const ByteSource& source, std::uint64_t base, std::uint64_t size) : source_(source), base_(base), size_(size) {}

  std::uint64_t size() const { return size_; }
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  // The bytes when they lie inside the window and can be read.
  std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset, std::uint64_t length) const {
    if (!contains(offset, length)) return std::nullopt;
    return source_.read(base_ + offset, length);
  }
  Window slice(std::uint64_t offset, std::uint64_t length) const { return Window(source_, base_ + offset, length); }

 private:
  const ByteSource& source_;
  std::uint64_t base_;
  std::uint64_t size_;
};

std::optional<SignatureLocation> readThin(const Window& file, std::uint64_t sliceOffset) {
  auto head = file.read(0, std::min(file.size(), kMachHeader64Size));
  if (!head) return std::nullopt;
  ByteCursor header(*head);
  std::uint32_t magic = header.le32();
  if (!header.ok()) return std::nullopt;
  bool bigEndian = magic == kMachSwappedMagic || magic == kMachSwappedMagic64;
  std::uint64_t headerSize;
  if (magic == kMachMagic || magic == kMachSwappedMagic)
    headerSize = kMachHeaderSize;
  else if (magic == kMachMagic64 || magic == kMachSwappedMagic64)
    headerSize = kMachHeader64Size;
  else
    return std::nullopt;
  if (header.size() < headerSize) return std::nullopt;

  header.seek(16);  // past cputype, cpusubtype and filetype
  std::uint32_t commandCount = header.u32(bigEndian);
  std::uint32_t commandsSize = header.u32(bigEndian);
  if (commandsSize > kMaxLoadCommandBytes) return std::nullopt;
  if (commandCount > kMaxLoadCommands || commandCount > commandsSize / kLoadCommandHeaderSize) return std::nullopt;
  auto commandBytes = file.read(headerSize, commandsSize);
  if (!commandBytes) return std::nullopt;
  ByteCursor commands(*commandBytes);

  for (std::uint32_t i = 0; i < commandCount; ++i) {
    const std::uint64_t start = commands.offset();
    std::uint32_t command = commands.u32(bigEndian);
    std::uint32_t commandSize = commands.u32(bigEndian);
    if (!commands.ok()) return std::nullopt;
    if (commandSize < kLoadCommandHeaderSize || commandSize > commands.size() - start) return std::nullopt;
    if (command == kLoadCodeSignature) {
      if (commandSize < kLinkeditDataCommandSize) return std::nullopt;
      std::uint32_t dataOffset = commands.u32(bigEndian);
      std::uint32_t dataSize = commands.u32(bigEndian);
      if (dataSize > kMaxSignatureBytes) return std::nullopt;
      auto signature = file.read(dataOffset, dataSize);
      if (!signature || !readSuperBlob(*signature)) return std::nullopt;
      return SignatureLocation{sliceOffset, file.size(), dataOffset, std::move(*signature)};
    }
    commands.seek(start + commandSize);
  }
  return std::nullopt;
}

std::optional<SignatureLocation> readUniversal(const Window& file, bool wideEntries) {
  auto head = file.read(0, kFatHeaderSize);
  if (!head) return std::nullopt;
  ByteCursor header(*head);
  header.skip(4);  // the magic
  std::uint32_t sliceCount = header.be32();
  std::uint64_t entrySize = wideEntries ? kFatArch64Size : kFatArchSize;
  if (sliceCount > kMaxUniversalSlices) return std::nullopt;
  auto tableBytes = file.read(kFatHeaderSize, sliceCount * entrySize);
  if (!tableBytes) return std::nullopt;
  ByteCursor table(*tableBytes);
  for (std::uint32_t i = 0; i < sliceCount; ++i) {
    // cputype, cpusubtype, then offset and size (32 or 64 bits each).
    table.seek(i * entrySize + 8);
    std::uint64_t offset = wideEntries ? table.be64() : table.be32();
    std::uint64_t size = wideEntries ? table.be64() : table.be32();
    if (!file.contains(offset, size)) continue;
    if (auto signature = readThin(file.slice(offset, size), offset)) return signature;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> SpanSource::read(std::uint64_t offset, std::uint64_t length) const {
  if (offset > bytes_.size() || length > bytes_.size() - offset) return std::nullopt;
  auto part = bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  return std::vector<std::uint8_t>(part.begin(), part.end());
}

std::optional<SignatureLocation> locateSignature(const ByteSource& source) {
  Window file(source, 0, source.size());
  auto head = file.read(0, kFatHeaderSize);
  if (!head) return std::nullopt;
  std::uint32_t magic = ByteCursor(*head).be32();
  if (magic == kFatMagic || magic == kFatMagic64) return readUniversal(file, magic == kFatMagic64);
  return readThin(file, 0);
}

std::optional<CodeSignature> readCodeSignature(const ByteSource& source) {
  auto location = locateSignature(source);
  if (!location) return std::nullopt;
  return readSuperBlob(location->superBlob);
}

std::optional<CodeSignature> readCodeSignature(std::span<const std::uint8_t> bytes) {
  return readCodeSignature(SpanSource(bytes));
}

std::vector<std::string> applicationGroups(std::span<const std::uint8_t> entitlementsPlist) {
  auto entitlements = plist::parse(entitlementsPlist);
  if (!entitlements.has_value()) return {};
  const PropertyList* value = entitlements->find("com.apple.security.application-groups");
  const PlistArray* list = value ? value->asArray() : nullptr;
  if (!list) return {};
  std::vector<std::string> groups;
  groups.reserve(list->size());
  for (const PropertyList& item : *list) {
    const std::string* text = item.asString();
    if (!text) return {};
    groups.push_back(*text);
  }
  return groups;
}

SignatureFacts signatureFacts(std::span<const std::uint8_t> file) { return signatureFacts(SpanSource(file)); }

SignatureFacts signatureFacts(const ByteSource& file) {
  auto signature = readCodeSignature(file);
  if (!signature) return {};
  SignatureFacts facts;
  facts.signingIdentifier = std::move(signature->identifier);
  facts.teamIdentifier = std::move(signature->teamIdentifier);
  if (signature->entitlements) facts.applicationGroups = applicationGroups(*signature->entitlements);
  return facts;
}

std::optional<std::span<const std::uint8_t>> superblob::blobAt(std::span<const std::uint8_t> superBlob,
                                                              std::uint64_t offset, std::uint32_t magic) {
  return blobIn(ByteCursor(superBlob), offset, magic);
}

}  // namespace corvane::macho
