#include "corvane/discovery/installed_app_catalog.h"

#include <algorithm>
#include <map>
#include <set>

#include "corvane/discovery/signature_inspector.h"
#include "discovery/bundle_reader.h"
#include "model/json_value.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "platform/fs_ops.h"
#include "platform/unicode.h"

namespace corvane {

namespace {

constexpr int kSchemaVersion = 1;
constexpr const char* kFileName = "installed-apps.json";

std::optional<std::string> text(const nlohmann::json& j, const char* key) {
  auto it = j.find(key);
  if (it == j.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

std::vector<CatalogedApp> decode(std::string_view bytes) {
  std::vector<CatalogedApp> apps;
  auto parsed = json::parse(bytes);
  if (!parsed.has_value() || !parsed->is_object()) return apps;
  auto list = parsed->find("apps");
  if (list == parsed->end() || !list->is_array()) return apps;
  for (const auto& entry : *list) {
    if (!entry.is_object()) continue;
    auto identifier = text(entry, "bundleIdentifier");
    auto path = text(entry, "path");
    auto seen = text(entry, "lastSeen");
    auto lastSeen = seen ? date::parseISO8601(*seen) : std::nullopt;
    if (!identifier || identifier->empty() || !path || !lastSeen) continue;  // a malformed entry is skipped
    CatalogedApp app;
    app.bundleIdentifier = *identifier;
    app.name = text(entry, "name").value_or(*identifier);
    app.localizedName = text(entry, "localizedName");
    app.executable = text(entry, "executable");
    app.teamIdentifier = text(entry, "teamIdentifier");
    app.signingIdentifier = text(entry, "signingIdentifier");
    app.version = text(entry, "version");
    app.path = *path;
    app.lastSeen = *lastSeen;
    apps.push_back(std::move(app));
  }
  return apps;
}

std::string encode(const std::vector<CatalogedApp>& apps) {
  json::Json list = json::Json::array();
  for (const auto& app : apps) {
    json::Json j = json::Json::object();
    j["bundleIdentifier"] = app.bundleIdentifier;
    j["name"] = app.name;
    auto optional = [&j](const char* key, const std::optional<std::string>& value) {
      if (value) j[key] = *value;
    };
    optional("localizedName", app.localizedName);
    optional("executable", app.executable);
    optional("teamIdentifier", app.teamIdentifier);
    optional("signingIdentifier", app.signingIdentifier);
    optional("version", app.version);
    j["path"] = app.path;
    j["lastSeen"] = date::iso8601(app.lastSeen);
    list.push_back(std::move(j));
  }
  json::Json doc = json::Json::object();
  doc["schemaVersion"] = kSchemaVersion;
  doc["apps"] = std::move(list);
  return json::pretty(doc) + "\n";
}

std::string key(const std::string& bundleIdentifier) { return platform::lowercased(bundleIdentifier); }

}  // namespace

AppIdentity CatalogedApp::identity() const {
  AppIdentity id;
  id.name = localizedName.value_or(name);
  id.bundleIdentifier = bundleIdentifier;
  id.signingIdentifier = signingIdentifier;
  id.teamIdentifier = teamIdentifier;
  return id;
}

InstalledAppCatalog::InstalledAppCatalog(Layout layout, SignatureReader readSignature)
    : layout_(std::move(layout)),
      readSignature_(std::move(readSignature)),
      path_(layout_.applicationSupport() + "/" + kFileName) {
  if (!readSignature_) readSignature_ = [](const Url& url) { return SignatureInspector::inspect(url); };
}

std::vector<CatalogedApp> InstalledAppCatalog::load() const {
  auto bytes = platform::readFileBytes(path_, kMaxCatalogFileBytes);
  if (!bytes.has_value()) return {};
  return decode(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

std::optional<CatalogedApp> InstalledAppCatalog::find(const std::string& bundleIdentifier) const {
  for (auto& app : load())
    if (key(app.bundleIdentifier) == key(bundleIdentifier)) return app;
  return std::nullopt;
}

CatalogedApp InstalledAppCatalog::describe(const InstalledApplication& app, const std::vector<CatalogedApp>& known,
                                           Date now) const {
  CatalogedApp entry;
  entry.bundleIdentifier = *app.bundleIdentifier;
  entry.path = layout_.macPath(app.url.path()).value_or(app.url.path());
  entry.version = app.version;
  entry.lastSeen = now;
  const std::optional<PropertyList> info = bundle::infoDictionary(platform::realFileSystem(), app.url.path());
  std::optional<std::string> written;
  if (info) written = info->string("CFBundleDisplayName") ? info->string("CFBundleDisplayName") : info->string("CFBundleName");
  entry.name = written.value_or(app.name);
  if (app.name != entry.name) entry.localizedName = app.name;
  if (info) entry.executable = info->string("CFBundleExecutable");
  // The signature is read once per bundle and version: a listing of unchanged apps reads no code.
  auto same = std::find_if(known.begin(), known.end(), [&](const CatalogedApp& k) {
    return key(k.bundleIdentifier) == key(entry.bundleIdentifier) && k.path == entry.path && k.version == entry.version;
  });
  if (same != known.end()) {
    entry.teamIdentifier = same->teamIdentifier;
    entry.signingIdentifier = same->signingIdentifier;
  } else {
    const SignatureFacts facts = readSignature_(app.url);
    entry.teamIdentifier = facts.teamIdentifier;
    entry.signingIdentifier = facts.signingIdentifier;
  }
  return entry;
}

Result<std::vector<CatalogedApp>> InstalledAppCatalog::record(const std::vector<InstalledApplication>& apps,
                                                              Date now) const {
  const std::string folder = layout_.applicationSupport();
  if (Status made = platform::createDirectories(folder); !made.has_value()) return made.error();
  // Another process may be listing apps too; one that is stuck does not hold this one for ever.
  auto lock = platform::lockExclusively(folder, std::string(".") + kFileName + ".lock", std::chrono::seconds(10));
  if (!lock.has_value()) return lock.error();

  std::vector<CatalogedApp> known = load();
  std::map<std::string, CatalogedApp> merged;
  for (auto& app : known) merged[key(app.bundleIdentifier)] = app;
  for (const auto& app : apps) {
    if (!app.bundleIdentifier || app.bundleIdentifier->empty()) continue;
    CatalogedApp entry = describe(app, known, now);
    merged[key(entry.bundleIdentifier)] = std::move(entry);
  }
  std::vector<CatalogedApp> all;
  for (auto& [k, app] : merged) all.push_back(std::move(app));
  if (all.size() > kMaxCatalogEntries) {
    std::stable_sort(all.begin(), all.end(),
                     [](const CatalogedApp& a, const CatalogedApp& b) { return a.lastSeen > b.lastSeen; });
    all.resize(kMaxCatalogEntries);
    std::sort(all.begin(), all.end(),
              [](const CatalogedApp& a, const CatalogedApp& b) { return key(a.bundleIdentifier) < key(b.bundleIdentifier); });
  }
  if (all == known) return all;  // nothing new: the file stays as it is
  (void)platform::removeItemsWithPrefix(folder, std::string(".") + kFileName + ".tmp-");
  if (Status written = platform::writeFileAtomically(path_, encode(all)); !written.has_value()) return written.error();
  return all;
}

std::vector<CatalogedApp> InstalledAppCatalog::removed(const std::vector<CatalogedApp>& catalog,
                                                       const std::vector<InstalledApplication>& installed) {
  std::set<std::string> present;
  for (const auto& app : installed)
    if (app.bundleIdentifier) present.insert(key(*app.bundleIdentifier));
  std::vector<CatalogedApp> gone;
  for (const auto& app : catalog)
    if (!present.count(key(app.bundleIdentifier))) gone.push_back(app);
  return gone;
}

}  // namespace corvane
