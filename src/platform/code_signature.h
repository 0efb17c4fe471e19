#pragma once
// The code signature of a bundle (or of a single executable file), read through whatever the system
// offers: the code-signing service on macOS, the executable's own bytes elsewhere. Never fails: what
// cannot be read is absent.

#include <string>

#include "corvane/model/signature_facts.h"
#include "formats/macho_validation.h"

namespace corvane::platform {

SignatureFacts readCodeSignature(const std::string& bundlePath);

// A static check of the bundle's signature, never using the network. On macOS the code-signing service's
// basic validation (the code directory and the certificate signature over it; neither every page of the
// executable nor the resources), and for a signature that names a team, that an Apple-issued certificate
// of that team signed it (or Apple itself, for the Mac App Store). Elsewhere what the signature seals is checked from the main executable's bytes
// (see formats/macho_validation.h): every page, the entitlements and the Info.plist, but no certificate.
macho::SignatureCheck checkCodeSignature(const std::string& bundlePath);

}  // namespace corvane::platform
