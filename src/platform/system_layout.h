#pragma once
// Paths resolved under a layout as its Mac would; the live machine's layout is public.

#include <string>
#include <string_view>

#include "corvane/base/result.h"
#include "corvane/model/layout.h"
#include "corvane/platform/system_layout.h"

namespace corvane::platform {

// A host path (absolute) with its symbolic links resolved as the Mac would resolve them: a link's
// absolute target is a Mac path, so it leads under the layout's root, and ".." does not climb above the
// root. Inside the home folder, the home's own location is resolved by the host. Fails with ENOENT when
// an item on the way does not exist, ELOOP when the links loop.
Result<std::string> resolvedPath(const Layout& layout, std::string_view hostPath);

}  // namespace corvane::platform
