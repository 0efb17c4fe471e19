#include "report/trash_text.h"

#include <gtest/gtest.h>

namespace corvane::report {
namespace {

TEST(TrashTextTest, EachOutcomeHasItsSentenceAndOnlyItsOwnJSONFields) {
  const std::string path = "/Users/u/.Trash/Notes.txt";
  const struct {
    ItemOutcome outcome;
    std::string line;
    std::string json;
  } cases[] = {
      {ItemOutcome::deleted(path, 4000), "Deleted Notes.txt (4 KB)",
       R"({"kind":"deleted","path":"/Users/u/.Trash/Notes.txt","sizeBytes":4000})"},
      {ItemOutcome::wouldDelete(path, 1500000), "Would delete Notes.txt (1.5 MB)",
       R"({"kind":"wouldDelete","path":"/Users/u/.Trash/Notes.txt","sizeBytes":1500000})"},
      {ItemOutcome::alreadyGone(path), "Already gone: Notes.txt", R"({"kind":"alreadyGone","path":"/Users/u/.Trash/Notes.txt"})"},
      {ItemOutcome::blocked(path, BlockerKind::runningApp("com.example.Notes")),
       "Not deleted: Notes.txt: it is in use by com.example.Notes",
       R"({"kind":"blocked","path":"/Users/u/.Trash/Notes.txt","blocker":"runningApp","bundleIdentifier":"com.example.Notes"})"},
      {ItemOutcome::blocked(path, BlockerKind::userLocked()),
       "Not deleted: Notes.txt: it is locked (add --force to delete it anyway)",
       R"({"kind":"blocked","path":"/Users/u/.Trash/Notes.txt","blocker":"userLocked"})"},
      {ItemOutcome::skippedUnsafe(path, SkipReason::notInTrashAfterRealpath),
       "Skipped: /Users/u/.Trash/Notes.txt is not safely inside a Trash folder (notInTrashAfterRealpath)",
       R"({"kind":"skippedUnsafe","path":"/Users/u/.Trash/Notes.txt","skip":"notInTrashAfterRealpath"})"},
      {ItemOutcome::failed(path, 5, "The item could not be removed."),
       "Failed: Notes.txt: The item could not be removed. (errno 5)",
       R"({"kind":"failed","path":"/Users/u/.Trash/Notes.txt","errno":5,"note":"The item could not be removed."})"},
      {ItemOutcome::failed(path, 0, "gone astray"), "Failed: Notes.txt: gone astray",
       R"({"kind":"failed","path":"/Users/u/.Trash/Notes.txt","errno":0,"note":"gone astray"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(outcomeLine(c.outcome), c.line);
    EXPECT_EQ(itemOutcomeJSON(c.outcome).dump(), c.json);
  }
}

}  // namespace
}  // namespace corvane::report
