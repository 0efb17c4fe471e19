#include "cli/prompt.h"

#include "base/ascii.h"
#include "corvane/model/app_identity.h"

namespace corvane::cli {

std::string answerLine(std::istream& in) {
  std::string line;
  if (!std::getline(in, line)) return {};
  return trimmed(line);
}

bool answeredYes(std::istream& in) {
  const std::string word = ascii::lowercased(answerLine(in));
  return word == "y" || word == "yes";
}

}  // namespace corvane::cli
