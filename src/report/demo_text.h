#pragma once
// The demo's own lines between the commands it runs.

#include <iosfwd>
#include <string>

namespace corvane::report {

// "A sample Mac with 31 apps in DIR; ..." `kept`: the folder stays after the demo.
std::string demoIntro(std::size_t appCount, const std::string& folder, bool kept);
// One line per group of leftovers in the orphans' printed JSON: the app they seem to belong to, and how
// many items in which tiers. Nothing for text that is not that JSON.
void printOrphanGroups(std::ostream& out, const std::string& printed);

}  // namespace corvane::report
