#include "corvane/discovery/signature_inspector.h"

#include "platform/code_signature.h"

namespace corvane {

SignatureFacts SignatureInspector::inspect(const Url& bundleURL) { return platform::readCodeSignature(bundleURL.path()); }

}  // namespace corvane
