#pragma once
// The weekly leftover check's result as JSON: whether it was due, the counts and the notification.

#include "corvane/orphans/leftover_check_session.h"
#include "model/json_value.h"

namespace corvane::report {

// {"due": ..., "newFindingCount": ..., "newAppCount": ..., "isFirstReport": ..., "notification": {"title",
// "body"} or null}.
json::Json leftoverCheckJSON(const LeftoverCheckResult& result);

}  // namespace corvane::report
