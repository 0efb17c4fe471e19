#pragma once
// The names macOS's own services and apps use in the Library folders (system_library_names.txt, compiled
// in), and which Library item they claim for the system: the item named on the list and everything in
// it, or, for a folder that many apps share, the folder itself while the items it keeps for each app are
// judged by their own names. Names under Apple's identifier families are the system's by their prefix.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/model/app_identity.h"

namespace corvane::SystemLibraryNames {

enum class Role {
  system,  // the item and everything in it belong to macOS
  store,   // a folder of macOS's that keeps items of many apps
  shared,  // a folder that many vendors' apps share by convention
};

struct Entry {
  std::string folder;  // "" for the Library's own top level, else e.g. "Caches"
  std::string name;
  Role role = Role::system;
  std::vector<std::string> items;  // for store and shared: where below the entry the per-app items are
  std::string seen;

  bool operator==(const Entry&) const = default;
};

// Why a Library item is not any one app's.
struct Claim {
  Role role = Role::system;  // of the entry claimed; `system` for a name under Apple's families
  std::string entry;         // the claimed folder below the Library, e.g. "Caches/GeoServices"
  std::string seen;          // where the list saw it; empty for a name claimed by its identifier prefix
  std::string explanation;   // one sentence, for the record

  // macOS's own folder (a store of many apps' items included), not one vendors share by convention.
  bool bySystem() const { return role != Role::shared; }

  bool operator==(const Claim&) const = default;
};

// The compiled-in list, in file order, and the text it was read from.
const std::vector<Entry>& entries();
std::string_view listText();

// Parses the list's text; a line that is not a well-formed entry is reported in `malformed` (its number,
// from 1) and left out.
std::vector<Entry> parse(std::string_view text, std::vector<std::size_t>* malformed = nullptr);

// An identifier-like name under Apple's families: "com.apple.", "group.com.apple.",
// "systemgroup.com.apple.", "icloud.com.apple.", each also behind a ten-character developer-team prefix.
bool isAppleFamily(std::string_view name);

// An app that is Apple's own: its bundle or signing identifier under "com.apple.".
bool isApplesOwn(const AppIdentity& identity);

// The claim on the item at `path` (a host path), when it lies below one of `libraries` (the home and the
// system Library folders, host paths); none when nothing claims it.
std::optional<Claim> claim(std::string_view path, std::span<const std::string> libraries);
// The same for a path relative to a Library folder ("Caches/GeoServices/x").
std::optional<Claim> claimBelowLibrary(std::string_view relative);

}  // namespace corvane::SystemLibraryNames
