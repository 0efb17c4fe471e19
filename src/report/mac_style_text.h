#pragma once
// Paths as the Mac shows them, for text meant for people.

#include <string>

#include "corvane/model/layout.h"

namespace corvane::report {

// `text` with the paths in it shown as the Mac shows them: the layout's home as "~", a copied tree's
// root as "/".
std::string macStyleText(std::string text, const Layout& layout);

}  // namespace corvane::report
