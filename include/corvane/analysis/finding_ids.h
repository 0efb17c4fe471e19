#pragma once
// Finding ids that stay the same from one analysis to the next: the same item of the same app gets the
// same id in every run and on every machine, so an id shown once still names the item later (a
// selection made in one run, a command line typed from an earlier listing).
//
// The id is the name-based (version 5) UUID, in FindingIDs::kNamespace, of the app's key and the item's
// path as the Mac shows it ("~/Library/Caches/com.example.app", "/Library/LaunchDaemons/x.plist"), one
// line each. The app's key is its bundle identifier in lower case, or else its name.

#include <string>
#include <string_view>
#include <vector>

#include "corvane/base/uuid.h"
#include "corvane/model/app_identity.h"
#include "corvane/model/file_finding.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"

namespace corvane::FindingIDs {

// The namespace of finding ids.
extern const Uuid kNamespace;

// A host path as the Mac shows it for `layout`: "~" + the rest below the home, the Mac path below the
// root of a copied tree, otherwise the path itself.
std::string macStylePath(std::string_view hostPath, const Layout& layout);

// The id of the item at `macStylePath` for `app`.
Uuid forItem(const AppIdentity& app, std::string_view macStylePath);

// Gives every finding of the snapshot its stable id.
void assign(AnalysisSnapshot& snapshot, const Layout& layout);
// Gives every finding of a group of leftovers its stable id, the group's key standing for the gone app: an
// item keeps the id that its app's analysis gave it.
void assign(OrphanGroup& group, const Layout& layout);

// The first 8 hexadecimal digits of the id, as listings show it ("3F2A9C1B").
std::string shortForm(const Uuid& id);

// The finding that `text` names, as a whole id or its short form, in any case; none when no finding or
// more than one answers to it.
const FileFinding* find(std::string_view text, const std::vector<FileFinding>& findings);

}  // namespace corvane::FindingIDs
