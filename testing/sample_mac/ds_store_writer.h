#pragma once
// Writes a Trash folder's .DS_Store as the file manager lays it out: the "Bud1" header, an info block
// with the block address table and a table of contents naming "DSDB", the DSDB header, and one leaf node
// holding the Put Back records ("ptbL" and "ptbN", both "ustr") sorted by item name, then record code.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::testing {

struct PutBackEntry {
  std::string trashName;                 // the item's name inside the Trash
  std::optional<std::string> folder;     // "ptbL": the folder it came from, relative to the volume root
  std::optional<std::string> name;       // "ptbN": the name it had there
};

struct DSStoreImage {
  std::vector<std::uint8_t> bytes;
  // Where things lie, so that tests can damage them on purpose.
  std::size_t infoBlockOffset = 0;   // file offset of the info block (block count first)
  std::size_t leafOffset = 0;        // file offset of the leaf node (its P value first)
  std::size_t firstRecordOffset = 0;
  std::size_t recordsEnd = 0;        // file offset just past the last record
};

DSStoreImage buildTrashDSStore(const std::vector<PutBackEntry>& entries);

// Writes buildTrashDSStore(entries) to trashFolder + "/.DS_Store" (parents created); returns its path.
std::string writeTrashDSStore(const std::string& trashFolder, const std::vector<PutBackEntry>& entries);

}  // namespace corvane::testing
