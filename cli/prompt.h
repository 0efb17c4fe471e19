#pragma once
// What the user types in answer to a question on the terminal.

#include <istream>
#include <string>

namespace corvane::cli {

// The next line, trimmed of white space; empty at the end of the input.
std::string answerLine(std::istream& in);
// Whether the next line says yes: "y" or "yes", in any case.
bool answeredYes(std::istream& in);

}  // namespace corvane::cli
