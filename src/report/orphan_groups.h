#pragma once
// The leftovers of removed apps as text and as JSON, written group by group as a scan hands them out, so
// that no document of the whole scan is ever built.
//
// The JSON form is {"groups": [...], "backgroundItemStoreStatus": {...}} in the dialect, two-space indents;
// each group is {"suspectedBundleIdentifier", "headline", "points", "findings"} (docs/json.md).

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "corvane/discovery/background_items_store.h"
#include "corvane/model/layout.h"
#include "corvane/model/removal_records.h"
#include "model/json_value.h"

namespace corvane::report {

class OrphanGroupsText {
 public:
  struct Options {
    Layout shown;         // paths are shown as this layout's Mac shows them
    bool colour = false;  // tier names in their terminal colours
    // How a guidance point reads where it is shown; empty: as written.
    std::function<std::string(std::string)> point;
  };

  OrphanGroupsText(std::ostream& out, Options options);
  void add(const OrphanGroup& group);
  // Says so when no group was added.
  void finish();

 private:
  std::ostream& out_;
  Options options_;
  std::string pending_;
  bool empty_ = true;
};

class OrphanGroupsJSON {
 public:
  explicit OrphanGroupsJSON(std::ostream& out);
  void add(const OrphanGroup& group);
  // Closes the list and writes the background-items store's status (in its JSON form) after it.
  void finish(const json::Json& backgroundItemStoreStatus);

  // One group's JSON, as add writes it at the top level (no indent before its first line).
  static std::string groupText(const OrphanGroup& group);

  // The last date written and its text.
  struct Dates {
    Date last;
    std::string text;
  };

 private:
  std::ostream& out_;
  std::string pending_;
  Dates dates_;
  bool empty_ = true;
};

// The background-items database's status as the JSON reports carry it: its kind, and the version and file
// counts the kind has.
json::Json encodeStoreStatus(const BackgroundItemStoreStatus& status);

// The sentence saying a scan is incomplete because `unreadable` (application folders) could not be read,
// ending in `consequence` ("nothing is listed"); empty when every folder was read.
std::string incompleteScan(const std::vector<std::string>& unreadable, const std::string& consequence);

}  // namespace corvane::report
