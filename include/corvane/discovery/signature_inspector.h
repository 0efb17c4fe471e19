#pragma once
// Reads (never verifies) the code signature of a bundle.

#include "corvane/base/url.h"
#include "corvane/model/signature_facts.h"

namespace corvane {

// A broken or revoked signature still yields what it records; anything that cannot be read is simply
// absent.
class SignatureInspector {
 public:
  static SignatureFacts inspect(const Url& bundleURL);
};

}  // namespace corvane
