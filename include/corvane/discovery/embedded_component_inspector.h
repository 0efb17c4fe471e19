#pragma once
// The programs an application bundle carries inside itself (login items, extensions and plug-ins, system
// extensions, helpers, launch-agent definitions): explanatory evidence for the user, and the identifiers
// under which the login items and launch agents register with the system.

#include <string>
#include <vector>

#include "corvane/model/file_finding.h"
#include "corvane/base/url.h"
#include "corvane/platform/file_system.h"

namespace corvane {

struct EmbeddedComponentInspection {
  // One entry per component folder with content (login items, extensions or plug-ins, system
  // extensions, helpers), then at most one for the launch agents; all of kind embeddedComponent, weight 0.
  std::vector<MatchEvidence> evidence;
  // The distinct login-item bundle identifiers and launch-agent labels, sorted (plain text order).
  std::vector<std::string> identifiers;

  bool operator==(const EmbeddedComponentInspection&) const = default;
};

class EmbeddedComponentInspector {
 public:
  // Looks into the bundle's fixed component folders on `fs`. Never fails: whatever cannot be read
  // contributes nothing. Entries of a folder are taken in name order.
  static EmbeddedComponentInspection inspect(const Url& appURL,
                                             const platform::FileSystem& fs = platform::realFileSystem());
};

}  // namespace corvane
