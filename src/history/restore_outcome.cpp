#include "corvane/history/restore.h"

namespace corvane {

RestoreOutcome RestoreOutcome::restored(std::string to, RestoreStrategy strategy) {
  RestoreOutcome o;
  o.kind = Kind::restored;
  o.to = std::move(to);
  o.strategy = strategy;
  return o;
}

RestoreOutcome RestoreOutcome::rejected(RestoreRejection reason) {
  RestoreOutcome o;
  o.kind = Kind::rejected;
  o.rejection = reason;
  return o;
}

RestoreOutcome RestoreOutcome::copyFailed(std::string note) {
  RestoreOutcome o;
  o.kind = Kind::copyFailed;
  o.note = std::move(note);
  return o;
}

RestoreOutcome RestoreOutcome::sourceRemoveFailed(std::string to) {
  RestoreOutcome o;
  o.kind = Kind::sourceRemoveFailed;
  o.to = std::move(to);
  return o;
}

RestoreOutcome RestoreOutcome::failed(std::string note) {
  RestoreOutcome o;
  o.kind = Kind::failed;
  o.note = std::move(note);
  return o;
}

RestoreOutcome RestoreOutcome::sourceGone() {
  RestoreOutcome o;
  o.kind = Kind::sourceGone;
  return o;
}

RestoreOutcome RestoreOutcome::destTaken() {
  RestoreOutcome o;
  o.kind = Kind::destTaken;
  return o;
}

std::optional<std::string> RestoreOutcome::restoredPath() const {
  if (kind == Kind::restored || kind == Kind::sourceRemoveFailed) return to;
  return std::nullopt;
}

}  // namespace corvane
