#include "discovery/macho_signature.h"

#include <algorithm>

#include "corvane/property_list.h"

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
constexpr std::uint32_t kCodeDirectoryMagic = 0xfade0c02;
constexpr std::uint32_t kEntitlementsMagic = 0xfade7171;
constexpr std::uint64_t kSuperBlobHeaderSize = 12;  // magic, length, count
constexpr std::uint64_t kBlobIndexEntrySize = 8;    // type, offset
constexpr std::uint64_t kBlobHeaderSize = 8;        // magic, length

constexpr std::uint32_t kSlotCodeDirectory = 0;
constexpr std::uint32_t kSlotEntitlements = 5;
constexpr std::uint32_t kSlotFirstAlternateCodeDirectory = 0x1000;
constexpr std::uint32_t kAlternateCodeDirectorySlots = 5;

// Code directory fields (offsets from the blob's start).
constexpr std::uint64_t kCodeDirectoryVersionField = 8;
constexpr std::uint64_t kCodeDirectoryIdentOffsetField = 20;
constexpr std::uint64_t kCodeDirectoryFixedSize = 44;  // the fields every version has
constexpr std::uint32_t kCodeDirectoryTeamVersion = 0x20200;
constexpr std::uint64_t kCodeDirectoryTeamOffsetField = 48;

// A bounded view of bytes: every read is checked against the size and gives no value when it would not fit.
class Bytes {
 public:
  explicit Bytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint64_t size() const { return bytes_.size(); }
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size() && length <= size() - offset;
  }
  // Only after contains(offset, length).
  Bytes slice(std::uint64_t offset, std::uint64_t length) const {
    return Bytes(bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)));
  }
  std::span<const std::uint8_t> span() const { return bytes_; }

  std::optional<std::uint32_t> u32(std::uint64_t offset, bool bigEndian) const {
    if (!contains(offset, 4)) return std::nullopt;
    const std::uint8_t* p = bytes_.data() + offset;
    if (bigEndian)
      return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | std::uint32_t{p[0]};
  }
  std::optional<std::uint32_t> be32(std::uint64_t offset) const { return u32(offset, true); }
  std::optional<std::uint64_t> be64(std::uint64_t offset) const {
    auto high = be32(offset);
    auto low = be32(offset + 4);
    if (!high || !low) return std::nullopt;
    return std::uint64_t{*high} << 32 | *low;
  }

  // The NUL-terminated text starting at `offset`; none when it does not end inside these bytes.
  std::optional<std::string> cString(std::uint64_t offset) const {
    if (offset >= size()) return std::nullopt;
    for (std::uint64_t end = offset; end < size(); ++end) {
      if (bytes_[end] == 0)
        return std::string(reinterpret_cast<const char*>(bytes_.data() + offset), static_cast<std::size_t>(end - offset));
    }
    return std::nullopt;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

// The blob at `offset` inside a superblob, when it has the expected magic and its length fits.
std::optional<Bytes> blobAt(const Bytes& superBlob, std::uint64_t offset, std::uint32_t magic) {
  if (!superBlob.contains(offset, kBlobHeaderSize) || superBlob.be32(offset) != magic) return std::nullopt;
  std::uint32_t length = *superBlob.be32(offset + 4);
  if (length < kBlobHeaderSize || !superBlob.contains(offset, length)) return std::nullopt;
  return superBlob.slice(offset, length);
}

// Identifier and team strings lie after the fixed fields and end inside the directory; empty ones count as absent.
std::optional<std::string> directoryString(const Bytes& directory, std::uint32_t offset) {
  if (offset < kCodeDirectoryFixedSize) return std::nullopt;
  auto text = directory.cString(offset);
  if (!text || text->empty()) return std::nullopt;
  return text;
}

void readCodeDirectory(const Bytes& directory, CodeSignature& signature) {
  if (directory.size() < kCodeDirectoryFixedSize) return;
  std::uint32_t version = *directory.be32(kCodeDirectoryVersionField);
  signature.identifier = directoryString(directory, *directory.be32(kCodeDirectoryIdentOffsetField));
  if (version < kCodeDirectoryTeamVersion) return;
  if (auto teamOffset = directory.be32(kCodeDirectoryTeamOffsetField); teamOffset && *teamOffset != 0)
    signature.teamIdentifier = directoryString(directory, *teamOffset);
}

std::optional<CodeSignature> readSuperBlob(const Bytes& data) {
  if (!data.contains(0, kSuperBlobHeaderSize) || data.be32(0) != kSuperBlobMagic) return std::nullopt;
  std::uint32_t length = *data.be32(4);
  std::uint32_t count = *data.be32(8);
  if (length < kSuperBlobHeaderSize || length > data.size()) return std::nullopt;
  if (count > kMaxSignatureBlobs || count > (length - kSuperBlobHeaderSize) / kBlobIndexEntrySize)
    return std::nullopt;
  Bytes superBlob = data.slice(0, length);

  std::optional<Bytes> directory, alternateDirectory, entitlements;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint64_t entry = kSuperBlobHeaderSize + std::uint64_t{i} * kBlobIndexEntrySize;
    std::uint32_t type = *superBlob.be32(entry);
    std::uint32_t offset = *superBlob.be32(entry + 4);
    if (type == kSlotCodeDirectory && !directory) {
      directory = blobAt(superBlob, offset, kCodeDirectoryMagic);
    } else if (type >= kSlotFirstAlternateCodeDirectory &&
               type < kSlotFirstAlternateCodeDirectory + kAlternateCodeDirectorySlots && !alternateDirectory) {
      alternateDirectory = blobAt(superBlob, offset, kCodeDirectoryMagic);
    } else if (type == kSlotEntitlements && !entitlements) {
      entitlements = blobAt(superBlob, offset, kEntitlementsMagic);
    }
  }

  CodeSignature signature;
  if (directory || alternateDirectory) readCodeDirectory(directory ? *directory : *alternateDirectory, signature);
  if (entitlements) {
    auto xml = entitlements->span().subspan(kBlobHeaderSize);
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

std::optional<CodeSignature> readThin(const Window& file) {
  auto head = file.read(0, std::min(file.size(), kMachHeader64Size));
  if (!head) return std::nullopt;
  Bytes header(*head);
  auto magic = header.u32(0, false);
  if (!magic) return std::nullopt;
  bool bigEndian = *magic == kMachSwappedMagic || *magic == kMachSwappedMagic64;
  std::uint64_t headerSize;
  if (*magic == kMachMagic || *magic == kMachSwappedMagic)
    headerSize = kMachHeaderSize;
  else if (*magic == kMachMagic64 || *magic == kMachSwappedMagic64)
    headerSize = kMachHeader64Size;
  else
    return std::nullopt;
  if (!header.contains(0, headerSize)) return std::nullopt;

  std::uint32_t commandCount = *header.u32(16, bigEndian);
  std::uint32_t commandsSize = *header.u32(20, bigEndian);
  if (commandsSize > kMaxLoadCommandBytes) return std::nullopt;
  if (commandCount > kMaxLoadCommands || commandCount > commandsSize / kLoadCommandHeaderSize) return std::nullopt;
  auto commandBytes = file.read(headerSize, commandsSize);
  if (!commandBytes) return std::nullopt;
  Bytes commands(*commandBytes);

  std::uint64_t offset = 0;
  const std::uint64_t end = commands.size();
  for (std::uint32_t i = 0; i < commandCount; ++i) {
    if (end - offset < kLoadCommandHeaderSize) return std::nullopt;
    std::uint32_t command = *commands.u32(offset, bigEndian);
    std::uint32_t commandSize = *commands.u32(offset + 4, bigEndian);
    if (commandSize < kLoadCommandHeaderSize || commandSize > end - offset) return std::nullopt;
    if (command == kLoadCodeSignature) {
      if (commandSize < kLinkeditDataCommandSize) return std::nullopt;
      std::uint32_t dataOffset = *commands.u32(offset + 8, bigEndian);
      std::uint32_t dataSize = *commands.u32(offset + 12, bigEndian);
      if (dataSize > kMaxSignatureBytes) return std::nullopt;
      auto signature = file.read(dataOffset, dataSize);
      if (!signature) return std::nullopt;
      return readSuperBlob(Bytes(*signature));
    }
    offset += commandSize;
  }
  return std::nullopt;
}

std::optional<CodeSignature> readUniversal(const Window& file, bool wideEntries) {
  auto head = file.read(0, kFatHeaderSize);
  if (!head) return std::nullopt;
  std::uint32_t sliceCount = *Bytes(*head).be32(4);
  std::uint64_t entrySize = wideEntries ? kFatArch64Size : kFatArchSize;
  if (sliceCount > kMaxUniversalSlices) return std::nullopt;
  auto tableBytes = file.read(kFatHeaderSize, sliceCount * entrySize);
  if (!tableBytes) return std::nullopt;
  Bytes table(*tableBytes);
  for (std::uint32_t i = 0; i < sliceCount; ++i) {
    std::uint64_t entry = i * entrySize;
    // cputype, cpusubtype, then offset and size (32 or 64 bits each).
    std::uint64_t offset = wideEntries ? *table.be64(entry + 8) : *table.be32(entry + 8);
    std::uint64_t size = wideEntries ? *table.be64(entry + 16) : *table.be32(entry + 12);
    if (!file.contains(offset, size)) continue;
    if (auto signature = readThin(file.slice(offset, size))) return signature;
  }
  return std::nullopt;
}

// Bytes in memory as a source.
class SpanSource final : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset, std::uint64_t length) const override {
    if (offset > bytes_.size() || length > bytes_.size() - offset) return std::nullopt;
    auto part = bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    return std::vector<std::uint8_t>(part.begin(), part.end());
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace

std::optional<CodeSignature> readCodeSignature(const ByteSource& source) {
  Window file(source, 0, source.size());
  auto head = file.read(0, kFatHeaderSize);
  if (!head) return std::nullopt;
  std::uint32_t magic = *Bytes(*head).be32(0);
  if (magic == kFatMagic || magic == kFatMagic64) return readUniversal(file, magic == kFatMagic64);
  return readThin(file);
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

}  // namespace corvane::macho
