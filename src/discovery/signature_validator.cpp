#include "corvane/discovery/signature_validator.h"

#include "corvane/discovery/signature_inspector.h"
#include "platform/code_signature.h"

namespace corvane {

SignatureFacts SignatureValidator::inspect(const Url& bundleURL) {
  const macho::SignatureCheck check = platform::checkCodeSignature(bundleURL.path());
  if (check.state != macho::SignatureState::invalid) return SignatureInspector::inspect(bundleURL);
  SignatureFacts facts;
  facts.validationProblem = check.problem;
  return facts;
}

std::string SignatureValidator::evidenceText(const std::string& problem) {
  return "The code signature does not hold (" + problem +
         "), so the app is treated as unsigned: its team and application groups are not evidence.";
}

}  // namespace corvane
