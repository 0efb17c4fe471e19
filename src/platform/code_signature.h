#pragma once
// The code signature of a bundle (or of a single executable file), read through whatever the system
// offers: the code-signing service on macOS, the executable's own bytes elsewhere. Never fails: what
// cannot be read is absent.

#include <string>

#include "corvane/model/signature_facts.h"

namespace corvane::platform {

SignatureFacts readCodeSignature(const std::string& bundlePath);

}  // namespace corvane::platform
