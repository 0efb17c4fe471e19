#include "cli/prompt.h"

#include <algorithm>
#include <cctype>

#include "corvane/model/app_identity.h"

namespace corvane::cli {

std::string answerLine(std::istream& in) {
  std::string line;
  if (!std::getline(in, line)) return {};
  return trimmed(line);
}

bool answeredYes(std::istream& in) {
  std::string word = answerLine(in);
  std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return word == "y" || word == "yes";
}

}  // namespace corvane::cli
