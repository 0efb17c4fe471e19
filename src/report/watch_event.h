#pragma once
// An app's departure as the watcher tells it: which app left, where its bundle went, what it left behind
// and the command that removes that; as text for a terminal or as one JSON line (docs/json.md).

#include <ostream>
#include <string>

#include "corvane/analysis/finding_sizes.h"
#include "corvane/orphans/app_departure_watcher.h"

namespace corvane::report {

struct WatchEvent {
  const AppDeparture& departure;
  const FindingSizes& sizes;
  SizeTotal total;               // of all its leftovers
  std::string layoutArguments;   // what names the layout on a later command line: " --root R", or empty
};

// "corvane orphans remove ID [--select all]..." for the leftovers that can move, or empty when none can;
// `review`: how many of those are graded Review.
std::string removeCommand(const WatchEvent& event, std::size_t* review = nullptr);

// The event's lines, its leftovers listed by tier; paths as `shown` shows them.
void printWatchEvent(std::ostream& out, const WatchEvent& event, const Layout& shown);

// The event as one line of JSON, without its newline.
std::string watchEventJSON(const WatchEvent& event, const Layout& layout);

}  // namespace corvane::report
