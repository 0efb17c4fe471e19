#include "sample_mac/macho_builder.h"

#include <fstream>
#include <stdexcept>

#include "base/sha256.h"

namespace corvane::testing {

namespace {

using ByteVector = std::vector<std::uint8_t>;

void appendBigEndian32(ByteVector& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}
void appendBigEndian64(ByteVector& out, std::uint64_t value) {
  appendBigEndian32(out, static_cast<std::uint32_t>(value >> 32));
  appendBigEndian32(out, static_cast<std::uint32_t>(value));
}
void append32(ByteVector& out, std::uint32_t value, bool bigEndian) {
  if (bigEndian) return appendBigEndian32(out, value);
  for (int shift = 0; shift <= 24; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}
void putBigEndian32(ByteVector& out, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.at(offset + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}
void padTo(ByteVector& out, std::size_t alignment) {
  while (out.size() % alignment != 0) out.push_back(0);
}
std::uint32_t size32(std::size_t size) {
  if (size > 0xffffffffu) throw std::length_error("Mach-O piece over 4 GB");
  return static_cast<std::uint32_t>(size);
}

struct ArchFacts {
  std::uint32_t cpuType;
  std::uint32_t cpuSubtype;
  bool is64;
  bool bigEndian;
};

ArchFacts facts(MachOArch arch) {
  switch (arch) {
    case MachOArch::arm64: return {0x0100000c, 0, true, false};
    case MachOArch::x86_64: return {0x01000007, 3, true, false};
    case MachOArch::i386: return {7, 3, false, false};
    case MachOArch::armv7: return {12, 9, false, false};
    case MachOArch::ppc: return {18, 0, false, true};
    case MachOArch::ppc64: return {0x01000012, 0, true, true};
  }
  throw std::invalid_argument("unknown architecture");
}

// Size of a code directory's fixed fields for its version.
std::string escapeXML(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::size_t codeDirectoryHeaderSize(std::uint32_t version) {
  if (version >= 0x20400) return 88;  // exec segment base, limit, flags
  if (version >= 0x20300) return 64;  // spare3, codeLimit64
  if (version >= 0x20200) return 52;  // teamOffset
  if (version >= 0x20100) return 48;  // scatterOffset
  return 44;
}

}  // namespace

std::vector<std::uint8_t> codeDirectoryBlob(const std::string& identifier, const std::optional<std::string>& team,
                                            std::uint32_t version) {
  std::size_t headerSize = codeDirectoryHeaderSize(version);
  if (team && headerSize < 52) headerSize = 52;
  std::size_t identOffset = headerSize;
  std::size_t teamOffset = team ? identOffset + identifier.size() + 1 : 0;
  std::size_t end = identOffset + identifier.size() + 1 + (team ? team->size() + 1 : 0);

  ByteVector out;
  appendBigEndian32(out, 0xfade0c02);
  appendBigEndian32(out, size32(end));
  appendBigEndian32(out, version);
  appendBigEndian32(out, 0x20002);           // flags: ad hoc, linker-signed
  appendBigEndian32(out, size32(end));       // hashOffset: no code slots follow
  appendBigEndian32(out, size32(identOffset));
  appendBigEndian32(out, 0);                 // nSpecialSlots
  appendBigEndian32(out, 0);                 // nCodeSlots
  appendBigEndian32(out, 0);                 // codeLimit
  out.insert(out.end(), {32, 2, 0, 12});     // hashSize, hashType (SHA-256), platform, pageSize (4096)
  appendBigEndian32(out, 0);                 // spare2
  out.resize(headerSize, 0);                 // scatterOffset and the later fields stay zero
  if (team) putBigEndian32(out, 48, size32(teamOffset));
  out.insert(out.end(), identifier.begin(), identifier.end());
  out.push_back(0);
  if (team) {
    out.insert(out.end(), team->begin(), team->end());
    out.push_back(0);
  }
  return out;
}

std::vector<std::uint8_t> entitlementsBlob(const std::string& plist) {
  ByteVector out;
  appendBigEndian32(out, 0xfade7171);
  appendBigEndian32(out, size32(8 + plist.size()));
  out.insert(out.end(), plist.begin(), plist.end());
  return out;
}

std::string entitlementsPlist(const std::optional<std::vector<std::string>>& groups) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<dict>\n"
      "\t<key>com.apple.security.app-sandbox</key>\n\t<true/>\n";
  if (groups) {
    text += "\t<key>com.apple.security.application-groups</key>\n\t<array>\n";
    for (const std::string& group : *groups) text += "\t\t<string>" + escapeXML(group) + "</string>\n";
    text += "\t</array>\n";
  }
  text += "</dict>\n</plist>\n";
  return text;
}

std::vector<std::uint8_t> signatureSuperBlob(const std::vector<SignatureSlot>& slots) {
  std::size_t offset = 12 + 8 * slots.size();
  ByteVector index, blobs;
  for (const SignatureSlot& slot : slots) {
    appendBigEndian32(index, slot.type);
    appendBigEndian32(index, size32(offset + blobs.size()));
    blobs.insert(blobs.end(), slot.blob.begin(), slot.blob.end());
  }
  ByteVector out;
  appendBigEndian32(out, 0xfade0cc0);
  appendBigEndian32(out, size32(offset + blobs.size()));
  appendBigEndian32(out, size32(slots.size()));
  out.insert(out.end(), index.begin(), index.end());
  out.insert(out.end(), blobs.begin(), blobs.end());
  return out;
}

namespace {

// The header and load commands; with a signature, LC_CODE_SIGNATURE points at `signatureOffset` (or, without
// one, at the next 16-byte boundary after the commands).
ByteVector machOHeader(MachOArch arch, const std::optional<std::vector<std::uint8_t>>& signature,
                       std::optional<std::uint32_t> signatureOffset) {
  ArchFacts f = facts(arch);
  std::size_t headerSize = f.is64 ? 32 : 28;
  std::uint32_t commandCount = signature ? 2 : 1;
  std::uint32_t commandsSize = signature ? 24 + 16 : 24;
  std::size_t offset = signatureOffset.value_or((headerSize + commandsSize + 15) / 16 * 16);

  ByteVector out;
  append32(out, f.is64 ? 0xfeedfacf : 0xfeedface, f.bigEndian);
  append32(out, f.cpuType, f.bigEndian);
  append32(out, f.cpuSubtype, f.bigEndian);
  append32(out, 2, f.bigEndian);  // MH_EXECUTE
  append32(out, commandCount, f.bigEndian);
  append32(out, commandsSize, f.bigEndian);
  append32(out, 0, f.bigEndian);  // flags
  if (f.is64) append32(out, 0, f.bigEndian);

  append32(out, 0x1b, f.bigEndian);  // LC_UUID
  append32(out, 24, f.bigEndian);
  for (std::uint8_t i = 0; i < 16; ++i) out.push_back(static_cast<std::uint8_t>(0xa0 + i));
  if (signature) {
    append32(out, 0x1d, f.bigEndian);  // LC_CODE_SIGNATURE
    append32(out, 16, f.bigEndian);
    append32(out, size32(offset), f.bigEndian);
    append32(out, size32((signature->size() + 15) / 16 * 16), f.bigEndian);
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> thinMachO(MachOArch arch, const std::optional<std::vector<std::uint8_t>>& signature) {
  ByteVector out = machOHeader(arch, signature, std::nullopt);
  if (signature) {
    padTo(out, 16);
    out.insert(out.end(), signature->begin(), signature->end());
    padTo(out, 16);
  }
  return out;
}

void writeSparseMachO(const std::string& path, MachOArch arch, const std::vector<std::uint8_t>& signature,
                      std::uint32_t signatureOffset) {
  ByteVector header = machOHeader(arch, signature, signatureOffset);
  ByteVector tail = signature;
  padTo(tail, 16);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
  out.seekp(signatureOffset);
  out.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

namespace {

ByteVector sealedCodeDirectory(const std::string& identifier, const std::optional<std::string>& team,
                               const ByteVector& code, const std::optional<ByteVector>& entitlements,
                               const std::optional<ByteVector>& infoPlist) {
  constexpr std::size_t kHeader = 88, kHash = 32, kPage = 4096;
  const std::size_t teamOffset = team ? kHeader + identifier.size() + 1 : 0;
  const std::size_t stringsEnd = kHeader + identifier.size() + 1 + (team ? team->size() + 1 : 0);
  const std::uint32_t special = entitlements ? 5 : (infoPlist ? 1 : 0);
  const std::size_t codeSlots = (code.size() + kPage - 1) / kPage;
  const std::size_t hashOffset = stringsEnd + special * kHash;
  ByteVector out;
  appendBigEndian32(out, 0xfade0c02);
  appendBigEndian32(out, size32(hashOffset + codeSlots * kHash));
  appendBigEndian32(out, 0x20400);
  appendBigEndian32(out, team ? 0 : 0x2);  // ad hoc without a team
  appendBigEndian32(out, size32(hashOffset));
  appendBigEndian32(out, size32(kHeader));  // identOffset
  appendBigEndian32(out, special);
  appendBigEndian32(out, size32(codeSlots));
  appendBigEndian32(out, size32(code.size()));  // codeLimit
  out.insert(out.end(), {32, 2, 0, 12});      // SHA-256, 4 KiB pages
  out.resize(kHeader, 0);
  if (team) putBigEndian32(out, 48, size32(teamOffset));
  out.insert(out.end(), identifier.begin(), identifier.end());
  out.push_back(0);
  if (team) {
    out.insert(out.end(), team->begin(), team->end());
    out.push_back(0);
  }
  auto appendHash = [&](std::span<const std::uint8_t> bytes) {
    const auto digest = Sha256::of(bytes);
    out.insert(out.end(), digest.begin(), digest.end());
  };
  for (std::uint32_t slot = special; slot >= 1; --slot) {  // special slots run backwards from the code hashes
    if (slot == 5 && entitlements) appendHash(*entitlements);
    else if (slot == 1 && infoPlist) appendHash(*infoPlist);
    else out.resize(out.size() + kHash, 0);
  }
  for (std::size_t at = 0; at < code.size(); at += kPage)
    appendHash(std::span<const std::uint8_t>(code).subspan(at, std::min(kPage, code.size() - at)));
  return out;
}

}  // namespace

std::vector<std::uint8_t> sealedThinMachO(MachOArch arch, const std::string& identifier,
                                          const std::optional<std::string>& team, const Seal& seal) {
  std::optional<ByteVector> entitlements;
  if (seal.entitlementsPlist) entitlements = entitlementsBlob(*seal.entitlementsPlist);
  auto signatureFor = [&](const ByteVector& code) {
    std::vector<SignatureSlot> slots{{kSlotCodeDirectory, sealedCodeDirectory(identifier, team, code, entitlements,
                                                                              seal.infoPlist)}};
    if (entitlements) slots.push_back({kSlotEntitlements, *entitlements});
    if (team) {  // a signature blob whose content no reader here checks
      ByteVector placeholder;
      appendBigEndian32(placeholder, 0xfade0b01);
      appendBigEndian32(placeholder, 16);
      appendBigEndian64(placeholder, 0x3080060a2a864886);
      slots.push_back({0x10000, placeholder});
    }
    return signatureSuperBlob(slots);
  };
  const std::size_t start = (machOHeader(arch, ByteVector{}, std::nullopt).size() + 15) / 16 * 16;
  const std::size_t signatureOffset = start + (seal.codeBytes + 15) / 16 * 16;
  auto codeWith = [&](const ByteVector& signature) {
    ByteVector code = machOHeader(arch, signature, size32(signatureOffset));
    code.resize(start, 0);
    for (std::size_t i = start; i < signatureOffset; ++i) code.push_back(static_cast<std::uint8_t>(i * 31));
    return code;
  };
  // The signature's size does not depend on the hashes, so the header written for a first draft is final.
  ByteVector code = codeWith(signatureFor(codeWith(ByteVector{})));
  ByteVector signature = signatureFor(code);
  code.insert(code.end(), signature.begin(), signature.end());
  padTo(code, 16);
  return code;
}

std::vector<std::uint8_t> universalMachO(const std::vector<UniversalSlice>& slices, bool wideEntries) {
  constexpr std::uint32_t kAlignmentPower = 4;
  std::size_t entrySize = wideEntries ? 32 : 20;
  std::size_t offset = (8 + entrySize * slices.size() + 15) / 16 * 16;
  ByteVector header, body;
  appendBigEndian32(header, wideEntries ? 0xcafebabf : 0xcafebabe);
  appendBigEndian32(header, size32(slices.size()));
  for (const UniversalSlice& slice : slices) {
    ArchFacts f = facts(slice.arch);
    appendBigEndian32(header, f.cpuType);
    appendBigEndian32(header, f.cpuSubtype);
    std::size_t sliceOffset = offset + body.size();
    if (wideEntries) {
      appendBigEndian64(header, sliceOffset);
      appendBigEndian64(header, slice.bytes.size());
      appendBigEndian32(header, kAlignmentPower);
      appendBigEndian32(header, 0);  // reserved
    } else {
      appendBigEndian32(header, size32(sliceOffset));
      appendBigEndian32(header, size32(slice.bytes.size()));
      appendBigEndian32(header, kAlignmentPower);
    }
    body.insert(body.end(), slice.bytes.begin(), slice.bytes.end());
    padTo(body, std::size_t{1} << kAlignmentPower);
  }
  header.resize(offset, 0);
  header.insert(header.end(), body.begin(), body.end());
  return header;
}

std::vector<std::uint8_t> buildSignedMachO(const std::string& identifier,
                                           const std::optional<std::string>& teamIdentifier,
                                           const std::vector<std::string>& applicationGroups,
                                           const MachOOptions& options) {
  if (options.architectures.empty()) throw std::invalid_argument("no architecture");
  if (options.codeDirectoryVersion == kCodeDirectoryVersionLatest) {
    Seal seal;
    if (!applicationGroups.empty()) seal.entitlementsPlist = entitlementsPlist(applicationGroups);
    if (options.architectures.size() == 1)
      return sealedThinMachO(options.architectures.front(), identifier, teamIdentifier, seal);
    std::vector<UniversalSlice> slices;
    for (MachOArch arch : options.architectures)
      slices.push_back({arch, sealedThinMachO(arch, identifier, teamIdentifier, seal)});
    return universalMachO(slices, options.wideUniversalEntries);
  }
  std::vector<SignatureSlot> slots{{kSlotCodeDirectory, codeDirectoryBlob(identifier, teamIdentifier,
                                                                          options.codeDirectoryVersion)}};
  if (!applicationGroups.empty())
    slots.push_back({kSlotEntitlements, entitlementsBlob(entitlementsPlist(applicationGroups))});
  ByteVector signature = signatureSuperBlob(slots);
  if (options.architectures.empty()) throw std::invalid_argument("no architecture");
  if (options.architectures.size() == 1) return thinMachO(options.architectures.front(), signature);
  std::vector<UniversalSlice> slices;
  for (MachOArch arch : options.architectures) slices.push_back({arch, thinMachO(arch, signature)});
  return universalMachO(slices, options.wideUniversalEntries);
}

}  // namespace corvane::testing
