#include "corvane/analysis/transparency_content.h"

#include "analysis/grading.h"

namespace corvane {

TransparencyContent TransparencyContent::current() {
  using std::to_string;
  TransparencyContent content;
  content.title = "How Corvane decides what is safe";
  content.sections = {
      {0, "Evidence, not guesswork",
       "Every match is scored from explicit evidence. An exact bundle or signing identifier in an app-scoped "
       "location carries the most weight; app-name similarity is weaker. Modification age adds only " +
           to_string(grading::kAgeEvidencePoints) + " supporting points, and only after about " +
           to_string(grading::kAgeThresholdDays) + " days. Age can never establish safety on its own."},
      {1, "Four confidence tiers",
       "Each item is Safe to Remove, Probably Leftover, Review, or In Use. Expand any row to read the exact "
       "evidence behind its tier."},
      {2, "What can reach Safe to Remove",
       "An item is marked Safe to Remove only when it has an EXACT identity match, scores at least " +
           to_string(grading::kSafeToRemoveMinimumScore) +
           ", and is a user-owned kind (app bundle, caches, preferences, containers, app scripts, and plug-ins). "
           "Shared or low-value data such as logs, web data, and saved state stays at Probably Leftover even with "
           "an exact match."},
      {3, "Protected and running overrides",
       "System-level locations are never automatically Safe. They cap at Probably Leftover (from a score of " +
           to_string(grading::kProtectedProbablyLeftoverMinimumScore) +
           ") and stay non-selectable, with a note that macOS requires an administrator. If the app is running, "
           "every related item is held In Use until you quit it."},
      {4, "Orphans stay conservative",
       "Reverse-DNS artifacts with no installed owner are shown in a separate view and are NEVER classified Safe "
       "or selected automatically."},
      {5, "Nothing leaves without your say-so",
       "Analysis is read-only. Selection starts empty, every removal is confirmed, and items are moved to the "
       "Trash where they remain recoverable. Uninstalling never permanently deletes anything - it only moves "
       "items to the Trash. The separate Trash tool can permanently remove items you have already put in the "
       "Trash, but only the specific items you select and confirm each time. The optional, separately confirmed "
       "Homebrew step hands off to Homebrew's own uninstall, which may permanently remove the files Homebrew "
       "manages."},
      {6, "Private by design",
       "Corvane needs no account and collects no telemetry. Every analysis runs on your Mac, and the uninstall "
       "history is kept only on your Mac, in your own Library folder; nothing is sent anywhere."},
  };
  return content;
}

}  // namespace corvane
