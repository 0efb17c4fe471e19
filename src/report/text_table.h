#pragma once
// Rows of text in columns, for listings meant for people.

#include <iosfwd>
#include <string>
#include <vector>

namespace corvane::report {

// Rows in columns two spaces apart, each as wide as its widest cell (counted in characters).
void printTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

}  // namespace corvane::report
