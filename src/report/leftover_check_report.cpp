#include "report/leftover_check_report.h"

namespace corvane::report {

json::Json leftoverCheckJSON(const LeftoverCheckResult& result) {
  json::Json j = json::Json::object();
  j["due"] = result.due;
  j["newFindingCount"] = result.outcome.newFindingCount;
  j["newAppCount"] = result.outcome.newAppCount;
  j["isFirstReport"] = result.outcome.isFirstReport;
  const auto& text = result.notification;
  j["notification"] = text ? json::Json{{"title", text->title}, {"body", text->body}} : json::Json(nullptr);
  return j;
}

}  // namespace corvane::report
