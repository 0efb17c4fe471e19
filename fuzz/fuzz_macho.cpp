// Mach-O code-signature reader and the check of what a signature seals: any bytes must give an answer
// without reading out of bounds.

#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/macho_signature.h"
#include "formats/macho_validation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  auto signature = corvane::macho::readCodeSignature(bytes);
  auto facts = corvane::macho::signatureFacts(bytes);
  // The facts are the signature's own identifiers, and nothing without a signature.
  if (!signature && facts != corvane::SignatureFacts{}) __builtin_trap();
  if (signature && (signature->identifier != facts.signingIdentifier || signature->teamIdentifier != facts.teamIdentifier))
    __builtin_trap();
  // A check that fails always says why, and only a failed one does.
  const corvane::macho::SignatureCheck check = corvane::macho::checkSignature(corvane::macho::SpanSource(bytes), std::nullopt);
  if ((check.state == corvane::macho::SignatureState::invalid) == check.problem.empty()) __builtin_trap();
  return 0;
}
