#include "sample_mac/background_items_builder.h"

#include "corvane/base/url.h"
#include "sample_mac/plist_writer.h"

namespace corvane::testing {

namespace {

constexpr const char* kItemClass = "BTMItemRecord";

PropertyList classReference(PlistUID cls) { return PropertyList(cls); }

PlistUID optionalText(KeyedArchiveBuilder& archive, const std::optional<std::string>& value) {
  return value ? archive.text(*value) : KeyedArchiveBuilder::null;
}

}  // namespace

KeyedArchiveBuilder::KeyedArchiveBuilder() { objects_.push_back(PropertyList(std::string("$null"))); }

PlistUID KeyedArchiveBuilder::add(PropertyList object) {
  objects_.push_back(std::move(object));
  return PlistUID{objects_.size() - 1};
}

void KeyedArchiveBuilder::set(PlistUID slot, PropertyList object) { objects_.at(slot.value) = std::move(object); }

PlistUID KeyedArchiveBuilder::classNamed(const std::string& name, const std::vector<std::string>& ancestors) {
  for (const auto& [known, uid] : classes_)
    if (known == name) return uid;
  PlistArray hierarchy{PropertyList(name)};
  for (const auto& a : ancestors) hierarchy.push_back(PropertyList(a));
  PlistUID uid = add(PlistDictionary{{"$classname", name}, {"$classes", hierarchy}});
  classes_.emplace_back(name, uid);
  return uid;
}

PlistUID KeyedArchiveBuilder::array(const std::vector<PlistUID>& elements, const std::string& className) {
  PlistArray refs;
  for (auto e : elements) refs.push_back(PropertyList(e));
  PlistUID cls = classNamed(className);
  return add(PlistDictionary{{"NS.objects", refs}, {"$class", classReference(cls)}});
}

PlistUID KeyedArchiveBuilder::dictionary(const std::vector<std::pair<PlistUID, PlistUID>>& entries,
                                         const std::string& className) {
  PlistArray keys, values;
  for (const auto& [k, v] : entries) {
    keys.push_back(PropertyList(k));
    values.push_back(PropertyList(v));
  }
  PlistUID cls = classNamed(className);
  return add(PlistDictionary{{"NS.keys", keys}, {"NS.objects", values}, {"$class", classReference(cls)}});
}

PlistUID KeyedArchiveBuilder::uuid(const Uuid& value) {
  PlistData bytes{std::vector<std::uint8_t>(value.bytes().begin(), value.bytes().end())};
  PlistUID cls = classNamed("NSUUID");
  return add(PlistDictionary{{"NS.uuidbytes", bytes}, {"$class", classReference(cls)}});
}

PlistUID KeyedArchiveBuilder::url(const std::string& relative, PlistUID base) {
  PlistUID text = this->text(relative);
  PlistUID cls = classNamed("NSURL");
  return add(PlistDictionary{{"NS.base", PropertyList(base)}, {"NS.relative", PropertyList(text)},
                             {"$class", classReference(cls)}});
}

PropertyList KeyedArchiveBuilder::archive(const std::string& topKey, PlistUID root) const {
  return PlistDictionary{{"$version", 100000},
                         {"$archiver", "NSKeyedArchiver"},
                         {"$top", PlistDictionary{{topKey, PropertyList(root)}}},
                         {"$objects", objects_}};
}

PlistUID archiveBackgroundItem(KeyedArchiveBuilder& archive, const SampleBackgroundItem& item) {
  std::vector<PlistUID> children;
  for (const auto& sub : item.subItems) children.push_back(archiveBackgroundItem(archive, sub));
  std::vector<PlistUID> associated;
  for (const auto& id : item.associatedBundleIdentifiers) associated.push_back(archive.text(id));

  PlistUID url = KeyedArchiveBuilder::null;
  if (item.url) {
    PlistUID base = item.urlBase ? archive.url(*item.urlBase) : KeyedArchiveBuilder::null;
    url = archive.url(*item.url, base);
  }
  PlistDictionary d{
      {"$class", PropertyList(archive.classNamed(kItemClass))},
      {"uuid", PropertyList(archive.uuid(Uuid::random()))},
      {"identifier", PropertyList(archive.text(item.identifier))},
      {"name", PropertyList(optionalText(archive, item.name))},
      {"developerName", PropertyList(optionalText(archive, item.developerName))},
      {"teamIdentifier", PropertyList(optionalText(archive, item.teamIdentifier))},
      {"type", item.type},
      {"disposition", item.disposition},
      {"generation", 1},
      {"url", PropertyList(url)},
      {"bundleIdentifier", PropertyList(optionalText(archive, item.bundleIdentifier))},
      {"associatedBundleIdentifiers", PropertyList(archive.array(associated, "NSSet"))},
      {"items", PropertyList(archive.array(children, "NSMutableSet"))},
      {"container", PropertyList(optionalText(archive, item.container))},
      {"executablePath", PropertyList(optionalText(archive, item.executablePath))},
  };
  return archive.add(std::move(d));
}

PlistUID archiveScope(KeyedArchiveBuilder& archive, const std::string& identifier, ScopeForm form) {
  if (form == ScopeForm::text) return archive.text(identifier);
  return archive.uuid(Uuid::parse(identifier).value_or(Uuid()));
}

PropertyList globalStoreArchive(const std::vector<SampleScope>& scopes, ScopeForm form) {
  KeyedArchiveBuilder archive;
  std::vector<std::pair<PlistUID, PlistUID>> entries;
  for (const auto& scope : scopes) {
    std::vector<PlistUID> items;
    for (const auto& item : scope.items) items.push_back(archiveBackgroundItem(archive, item));
    entries.emplace_back(archiveScope(archive, scope.identifier, form), archive.array(items, "NSMutableArray"));
  }
  PlistUID byUser = archive.dictionary(entries, "NSMutableDictionary");
  PlistUID store = archive.add(PlistDictionary{{"$class", PropertyList(archive.classNamed("Storage"))},
                                               {"itemsByUserIdentifier", PropertyList(byUser)},
                                               {"mdmPayloadsByIdentifier", PropertyList(archive.dictionary({}))},
                                               {"version", 16}});
  return archive.archive("store", store);
}

PropertyList scopeArchive(const std::optional<std::string>& userIdentifier,
                          const std::vector<SampleBackgroundItem>& items, ScopeForm form) {
  KeyedArchiveBuilder archive;
  std::vector<std::pair<PlistUID, PlistUID>> records;
  for (const auto& item : items) records.emplace_back(archive.text(item.identifier), archiveBackgroundItem(archive, item));
  PlistUID user = userIdentifier ? archiveScope(archive, *userIdentifier, form) : KeyedArchiveBuilder::null;
  PlistUID store = archive.add(PlistDictionary{{"$class", PropertyList(archive.classNamed("UserStore"))},
                                               {"userIdentifier", PropertyList(user)},
                                               {"records", PropertyList(archive.dictionary(records, "NSMutableDictionary"))}});
  return archive.archive("userStore", store);
}

PropertyList scopeIndexArchive(const std::vector<std::string>& scopes, ScopeForm form) {
  KeyedArchiveBuilder archive;
  std::vector<std::pair<PlistUID, PlistUID>> entries;
  for (const auto& scope : scopes) {
    PlistUID info = archive.add(PlistDictionary{{"$class", PropertyList(archive.classNamed("UserInfo"))},
                                                {"generation", 1}});
    entries.emplace_back(archiveScope(archive, scope, form), info);
  }
  return archive.archive("infoByUserIdentifier", archive.dictionary(entries, "NSMutableDictionary"));
}

std::string backgroundItemsFolder(const SampleMac& mac) {
  return SampleMac::makeFolder(mac.system("/private/var/db/com.apple.backgroundtaskmanagement"));
}

std::string writeBackgroundItemsFile(const std::string& folder, const std::string& fileName, const PropertyList& archive) {
  auto bytes = writeBinaryPlist(archive);
  SampleMac::makeFolder(folder);
  return SampleMac::writeFile(folder + "/" + fileName, std::string(bytes.begin(), bytes.end()));
}

std::string backgroundItemsFileName(int version, const std::optional<std::string>& scope) {
  return "BackgroundItems-v" + std::to_string(version) + (scope ? "-" + *scope : "") + ".btm";
}

std::vector<SampleScope> demoBackgroundItemScopes(const SampleMac& mac) {
  constexpr std::int64_t kLegacy = 0x10000;  // registered through a launchd property list
  constexpr std::int64_t kEnabledAllowedNotified = 0x1 | 0x2 | 0x8;
  const std::string launchAgents = mac.user("Library/LaunchAgents/");

  auto agentPlist = [&](const std::string& label) {
    return Url::fileURL(launchAgents + label + ".plist").absoluteString();
  };

  SampleBackgroundItem dropzoneLauncher{.identifier = "4.com.dropzone.sync.launcher",
                                        .name = "Dropzone Launcher",
                                        .developerName = "Dropzone Labs",
                                        .teamIdentifier = "DZ5N3P8K2W",
                                        .bundleIdentifier = "com.dropzone.sync.launcher",
                                        .url = "Contents/Library/LoginItems/Dropzone%20Launcher.app/",
                                        .urlBase = "file:///Applications/Dropzone%20Sync.app/",
                                        .type = 0x4,
                                        .disposition = kEnabledAllowedNotified};
  SampleBackgroundItem dropzoneAgent{.identifier = "8.com.dropzone.sync.agent",
                                     .name = "com.dropzone.sync.agent",
                                     .developerName = "Dropzone Labs",
                                     .teamIdentifier = "DZ5N3P8K2W",
                                     .associatedBundleIdentifiers = {"com.dropzone.sync"},
                                     .executablePath = "/Applications/Dropzone Sync.app/Contents/MacOS/Dropzone Sync",
                                     .url = agentPlist("com.dropzone.sync.agent"),
                                     .type = kLegacy | 0x8,
                                     .disposition = kEnabledAllowedNotified};
  SampleBackgroundItem dropzone{.identifier = "2.com.dropzone.sync",
                                .name = "Dropzone Sync",
                                .developerName = "Dropzone Labs",
                                .teamIdentifier = "DZ5N3P8K2W",
                                .bundleIdentifier = "com.dropzone.sync",
                                .url = "file:///Applications/Dropzone%20Sync.app/",
                                .type = 0x2,
                                .disposition = kEnabledAllowedNotified,
                                .subItems = {dropzoneLauncher, dropzoneAgent}};

  SampleBackgroundItem beaconAgent{.identifier = "8.com.beaconvpn.client.agent",
                                   .name = "com.beaconvpn.client.agent",
                                   .developerName = "Beacon Networks",
                                   .teamIdentifier = "BV8R2M6T4L",
                                   .associatedBundleIdentifiers = {"com.beaconvpn.client"},
                                   .executablePath = "/Applications/Beacon VPN.app/Contents/MacOS/Beacon VPN",
                                   .url = agentPlist("com.beaconvpn.client.agent"),
                                   .type = kLegacy | 0x8,
                                   .disposition = kEnabledAllowedNotified};
  SampleBackgroundItem beaconHelper{.identifier = "16.com.beaconvpn.client.helper",
                                    .name = "com.beaconvpn.client.helper",
                                    .developerName = "Beacon Networks",
                                    .teamIdentifier = "BV8R2M6T4L",
                                    .associatedBundleIdentifiers = {"com.beaconvpn.client"},
                                    .executablePath = "/Library/PrivilegedHelperTools/com.beaconvpn.client.helper",
                                    .url = "file:///Library/LaunchDaemons/com.beaconvpn.client.helper.plist",
                                    .type = kLegacy | 0x10,
                                    .disposition = kEnabledAllowedNotified};
  SampleBackgroundItem beacon{.identifier = "2.com.beaconvpn.client",
                              .name = "Beacon VPN",
                              .developerName = "Beacon Networks",
                              .teamIdentifier = "BV8R2M6T4L",
                              .bundleIdentifier = "com.beaconvpn.client",
                              .url = "file:///Applications/Beacon%20VPN.app/",
                              .type = 0x2,
                              .disposition = kEnabledAllowedNotified,
                              .subItems = {beaconAgent, beaconHelper}};

  SampleBackgroundItem northwindUpdater{
      .identifier = "8.com.northwind.writer.updater",
      .name = "com.northwind.writer.updater",
      .developerName = "Northwind Software",
      .teamIdentifier = "NW4K7Q2P9X",
      .associatedBundleIdentifiers = {"com.northwind.writer"},
      .executablePath = "/Applications/Northwind/Northwind Writer.app/Contents/MacOS/updater",
      .url = agentPlist("com.northwind.writer.updater"),
      .type = kLegacy | 0x8,
      .disposition = kEnabledAllowedNotified};

  // Its app was deleted long ago; the registration stayed behind.
  SampleBackgroundItem oldVendorAgent{.identifier = "8.com.oldvendor.tool.agent",
                                      .name = "com.oldvendor.tool.agent",
                                      .developerName = "Old Vendor",
                                      .associatedBundleIdentifiers = {"com.oldvendor.tool"},
                                      .executablePath = "/Applications/Old Vendor Tool.app/Contents/MacOS/agent",
                                      .url = agentPlist("com.oldvendor.tool.agent"),
                                      .type = kLegacy | 0x8,
                                      .disposition = 0x1 | 0x8};

  SampleBackgroundItem otherUsersDropzone = dropzone;
  otherUsersDropzone.subItems.clear();

  return {
      {kDemoUserScope, {dropzone, beacon, northwindUpdater, oldVendorAgent}},
      {kDemoOtherUserScope, {otherUsersDropzone}},
  };
}

std::string addDemoBackgroundItems(const SampleMac& mac) {
  return writeBackgroundItemsFile(backgroundItemsFolder(mac), backgroundItemsFileName(16),
                                  globalStoreArchive(demoBackgroundItemScopes(mac), ScopeForm::uuidObject));
}

}  // namespace corvane::testing
