#include "report/finding_text.h"

namespace corvane::report {

std::string tierName(FindingConfidence tier, bool colour) {
  std::string name(stringValue(tier));
  if (!colour) return name;
  const char* code = "";
  switch (tier) {
    case FindingConfidence::safeToRemove: code = "32"; break;
    case FindingConfidence::probablyLeftover: code = "33"; break;
    case FindingConfidence::review: code = "34"; break;
    case FindingConfidence::inUse: code = "31"; break;
  }
  return std::string("\033[") + code + "m" + name + "\033[0m";
}

}  // namespace corvane::report
