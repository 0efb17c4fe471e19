#pragma once
// Reads the embedded code signature of a Mach-O executable straight from its bytes: thin files (32 or 64
// bit, either byte order) and universal files. Pure code over a byte span, safe on any input: a truncated
// or hostile file yields no signature, never a read out of bounds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "corvane/signature_inspector.h"

namespace corvane::macho {

// A universal file with more slices than this is not read (real ones have two or three); the bound keeps
// overlapping slices from multiplying the work.
inline constexpr std::uint32_t kMaxUniversalSlices = 64;
// Likewise for the load commands of one slice (real executables have tens to a few hundred) and the blobs of
// one signature (real ones have a handful).
inline constexpr std::uint32_t kMaxLoadCommands = 65536;
inline constexpr std::uint32_t kMaxSignatureBlobs = 1024;

// What one slice's signature records. Each part is read on its own: a damaged code directory leaves the
// entitlements readable and the other way round.
struct CodeSignature {
  std::optional<std::string> identifier;
  std::optional<std::string> teamIdentifier;  // only code directories of version 0x20200 or later record one
  std::optional<std::vector<std::uint8_t>> entitlements;  // the XML property list of the entitlements blob

  bool operator==(const CodeSignature&) const = default;
};

// The signature of a thin file, or of the first slice of a universal file that carries one. None when
// the bytes are no Mach-O file, are malformed, or no slice has a readable signature superblob.
std::optional<CodeSignature> readCodeSignature(std::span<const std::uint8_t> file);

// The "com.apple.security.application-groups" entitlement: the list when it is a list of text, otherwise
// (absent, another type, a list holding anything but text, or unreadable XML) empty.
std::vector<std::string> applicationGroups(std::span<const std::uint8_t> entitlementsPlist);

// The facts a signature gives: identifier, team and application groups; empty facts for unsigned or
// unreadable files.
SignatureFacts signatureFacts(std::span<const std::uint8_t> file);

}  // namespace corvane::macho
