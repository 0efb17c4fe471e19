#pragma once
// Signature facts that count as evidence only when the signature holds: a static check of the bundle's
// code signature (no network) comes first, and a bundle whose signature fails it is treated as unsigned,
// so a tampered bundle cannot claim another team's identifier and application groups.

#include <string>

#include "corvane/base/url.h"
#include "corvane/model/signature_facts.h"

namespace corvane {

class SignatureValidator {
 public:
  // What SignatureInspector reads when the signature holds (or there is none); otherwise empty facts whose
  // validationProblem says why.
  static SignatureFacts inspect(const Url& bundleURL);

  // The evidence sentence for a signature that does not hold.
  static std::string evidenceText(const std::string& problem);
};

}  // namespace corvane
