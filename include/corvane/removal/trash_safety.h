#pragma once
// Lexical checks that every destructive step of the Trash tool makes before it touches a path: whether a
// path lies strictly inside one of the Trash folders, judged from its text alone.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::TrashSafety {

// Whether some component of the path is exactly "..".
bool hasDotDotComponent(std::string_view path);

// "/a/./b/../c" -> "/a/c", "/.." -> "/"; empty and "." components dropped, ".." removes the previous
// one. None for a path that does not start with "/". The file system is not consulted.
std::optional<std::string> lexicalNormalize(std::string_view path);

// Whether the path lies strictly inside one of the roots (a root never contains itself). A path or root
// with a ".." component, one that does not normalise, and a root of "/" never match.
bool isInsideAnyTrash(std::string_view path, const std::vector<std::string>& roots);

}  // namespace corvane::TrashSafety
