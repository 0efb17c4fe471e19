#pragma once
// Writes background-items store files as the system keeps them: keyed archives in the binary property-list
// format, in root/private/var/db/com.apple.backgroundtaskmanagement. Three shapes: the global store (items
// of every user scope), a per-user store and a scope index.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "corvane/formats/property_list.h"
#include "corvane/base/uuid.h"
#include "sample_mac/sample_mac.h"

namespace corvane::testing {

// Builds a keyed archive object by object. "$objects" starts with the text "$null" (reference 0);
// objects refer to each other through references (PlistUID).
class KeyedArchiveBuilder {
 public:
  static constexpr PlistUID null{0};

  KeyedArchiveBuilder();

  // Appends an object; returns its reference.
  PlistUID add(PropertyList object);
  // Appends a placeholder to be filled with set(): objects that refer to themselves or to each other.
  PlistUID reserve() { return add(PropertyList(std::string("$null"))); }
  void set(PlistUID slot, PropertyList object);
  PlistUID text(const std::string& value) { return add(PropertyList(value)); }
  // The class description object, one per class name.
  PlistUID classNamed(const std::string& name, const std::vector<std::string>& ancestors = {"NSObject"});
  // An archived collection: {"NS.objects": [references...], "$class": ...}.
  PlistUID array(const std::vector<PlistUID>& elements, const std::string& className = "NSArray");
  // An archived dictionary: {"NS.keys": [...], "NS.objects": [...], "$class": ...}.
  PlistUID dictionary(const std::vector<std::pair<PlistUID, PlistUID>>& entries,
                      const std::string& className = "NSDictionary");
  // An archived identifier: {"NS.uuidbytes": 16 bytes, "$class": NSUUID}.
  PlistUID uuid(const Uuid& value);
  // An archived URL: {"NS.base": base or $null, "NS.relative": text, "$class": NSURL}.
  PlistUID url(const std::string& relative, PlistUID base = null);

  // {"$version": 100000, "$archiver": "NSKeyedArchiver", "$top": {topKey: root}, "$objects": [...]}.
  PropertyList archive(const std::string& topKey, PlistUID root) const;
  std::size_t objectCount() const { return objects_.size(); }

 private:
  PlistArray objects_;
  std::vector<std::pair<std::string, PlistUID>> classes_;
};

// One item as the system archives it.
struct SampleBackgroundItem {
  std::string identifier{};  // "2.com.vendor.app", "8.com.vendor.agent" (type number, ".", label)
  std::optional<std::string> name{};
  std::optional<std::string> developerName{};
  std::optional<std::string> teamIdentifier{};
  std::optional<std::string> bundleIdentifier{};
  std::vector<std::string> associatedBundleIdentifiers{};
  std::optional<std::string> executablePath{};
  // The registered URL: a file URL ("file:///Applications/Foo.app/"), or a reference relative to `urlBase`.
  std::optional<std::string> url{};
  std::optional<std::string> urlBase{};
  std::optional<std::string> container{};
  std::int64_t type = 0;
  std::int64_t disposition = 0;
  std::vector<SampleBackgroundItem> subItems{};
};

// How an archive names a scope: as text, or as an identifier object holding 16 bytes.
enum class ScopeForm { text, uuidObject };

struct SampleScope {
  std::string identifier;
  std::vector<SampleBackgroundItem> items;
};

// Archives an item and its sub-items with the keys the system writes (absent values refer to "$null").
PlistUID archiveBackgroundItem(KeyedArchiveBuilder& archive, const SampleBackgroundItem& item);
// Archives a scope identifier in the given form (any text when ScopeForm::text).
PlistUID archiveScope(KeyedArchiveBuilder& archive, const std::string& identifier, ScopeForm form);

// "$top" = {"store": S}, S = {"itemsByUserIdentifier": {scope: [items]}, ...}.
PropertyList globalStoreArchive(const std::vector<SampleScope>& scopes, ScopeForm form = ScopeForm::text);
// "$top" = {"userStore": U}, U = {"userIdentifier": scope or $null, "records": {...: item}}.
PropertyList scopeArchive(const std::optional<std::string>& userIdentifier,
                          const std::vector<SampleBackgroundItem>& items, ScopeForm form = ScopeForm::uuidObject);
// "$top" = {"infoByUserIdentifier": {scope: info}}.
PropertyList scopeIndexArchive(const std::vector<std::string>& scopes, ScopeForm form = ScopeForm::uuidObject);

// root/private/var/db/com.apple.backgroundtaskmanagement, created when missing.
std::string backgroundItemsFolder(const SampleMac& mac);
// Writes `archive` as a binary property list to folder/fileName (folder created); returns the path.
std::string writeBackgroundItemsFile(const std::string& folder, const std::string& fileName, const PropertyList& archive);
// "BackgroundItems-v16.btm" or, with a scope, "BackgroundItems-v16-<scope>.btm".
std::string backgroundItemsFileName(int version, const std::optional<std::string>& scope = std::nullopt);

// The login scope of the sample Mac's user, and of a second account on it.
inline constexpr const char* kDemoUserScope = "5F3C9A1E-7B2D-4E8F-9A6C-1D2E3F405162";
inline constexpr const char* kDemoOtherUserScope = "A0B1C2D3-E4F5-4061-8273-94A5B6C7D8E9";

// The sample Mac's global store (BackgroundItems-v16.btm): Dropzone Sync with its login item and agent,
// Beacon VPN with its agent and helper daemon, the Northwind Writer updater, an agent whose app is gone
// (com.oldvendor.tool.agent), and Dropzone Sync registered by a second account. Returns the file's path.
std::string addDemoBackgroundItems(const SampleMac& mac);
// The scopes and items of that store, for builders that write them together with items of their own.
std::vector<SampleScope> demoBackgroundItemScopes(const SampleMac& mac);

}  // namespace corvane::testing
