#pragma once
// Checks what an embedded code signature seals, from the executable's own bytes: each SHA-256 code
// directory's page hashes against the code, its entitlements and information-list hashes against those
// items, and that the signature's parts agree. The certificate signature over the code directory cannot be
// checked this way: a code directory rewritten with correct hashes and no ad-hoc mark passes; a Mac's
// code-signing service checks that part.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/macho_signature.h"

namespace corvane::macho {

enum class SignatureState { notSigned, valid, invalid };

struct SignatureCheck {
  SignatureState state = SignatureState::notSigned;
  std::string problem;  // why the signature does not hold; empty unless invalid

  bool operator==(const SignatureCheck&) const = default;
};

// Texts of the problems found.
namespace problems {
inline constexpr const char* kNoCodeDirectory = "it has no readable code directory";
inline constexpr const char* kNoSha256Directory = "it has no SHA-256 code directory";
inline constexpr const char* kDirectoriesDisagree = "its code directories name different signers";
inline constexpr const char* kMalformedDirectory = "its code directory is malformed";
inline constexpr const char* kCodeChanged = "the executable was changed after signing";
inline constexpr const char* kEntitlementsChanged = "its entitlements are not the ones signed";
inline constexpr const char* kInfoChanged = "its Info.plist is not the one signed";
inline constexpr const char* kAdHocTeam = "an ad-hoc signature names a team";
inline constexpr const char* kNoSignatureBlob = "it names a signer but carries no signature";
}  // namespace problems

// `infoPlist`: the bytes of the bundle's Info.plist, when it has one.
SignatureCheck checkSignature(const ByteSource& file, const std::optional<std::vector<std::uint8_t>>& infoPlist);

}  // namespace corvane::macho
