#include "report/assessment_report.h"

#include <ostream>

namespace corvane::report {

json::Json assessmentJSON(const PathAssessment& p) {
  json::Json evidence = json::Json::array();
  for (const auto& e : p.assessment.evidence) {
    json::Json item = json::Json::object();
    item["kind"] = std::string(stringValue(e.kind));
    item["explanation"] = e.explanation;
    item["weight"] = e.weight;
    evidence.push_back(std::move(item));
  }
  json::Json out = json::Json::object();
  out["evidence"] = std::move(evidence);
  out["score"] = p.assessment.score;
  out["hasExactIdentitySignal"] = p.assessment.hasExactIdentitySignal;
  out["sharedTeamOnly"] = p.assessment.sharedTeamOnly;
  out["confidence"] = std::string(stringValue(p.tier));
  return out;
}

void printAssessment(std::ostream& out, const PathAssessment& p) {
  const MatchEngine::Assessment& a = p.assessment;
  out << "Path: " << p.url.path() << "\n";
  out << "Kind: " << stringValue(p.kind) << "\n";
  out << "Evidence:" << (a.evidence.empty() ? " none" : "") << "\n";
  for (const auto& e : a.evidence) {
    std::string weight = (e.weight < 0 ? "" : "+") + std::to_string(e.weight);
    if (weight.size() < 3) weight.insert(0, 3 - weight.size(), ' ');
    out << "  " << weight << "  " << e.explanation << "\n";
  }
  out << "Score: " << a.score << "\n";
  out << "Exact identity signal: " << (a.hasExactIdentitySignal ? "yes" : "no") << "\n";
  out << "Shared team only: " << (a.sharedTeamOnly ? "yes" : "no") << "\n";
  out << "Tier: " << stringValue(p.tier) << "\n";
}

}  // namespace corvane::report
