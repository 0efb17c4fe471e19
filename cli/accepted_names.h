#pragma once
// Values on the command line are taken as people type them: in any case, and either as the tool shows
// them ("Keep?", "Group Container", "Date modified") or as its JSON writes them ("likelyWanted",
// "groupContainer", "dateModified").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// Lower case, letters and digits only: "Keep?" -> "keep", "Date modified" -> "datemodified".
std::string looseName(std::string_view text);

// The index of the first entry of `names` with a name whose loose form equals `given`'s; none for
// another value or an empty one. Each entry lists one value's names.
std::optional<std::size_t> acceptedIndex(std::string_view given, const std::vector<std::vector<std::string>>& names);

}  // namespace corvane::cli
