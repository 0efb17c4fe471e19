#include "corvane/analysis/finding_ids.h"

#include "base/ascii.h"

namespace corvane::FindingIDs {

const Uuid kNamespace = *Uuid::parse("6F1C2B7E-4D0A-5E38-9B21-C07A4E5D9F13");

std::string macStylePath(std::string_view hostPath, const Layout& layout) {
  const std::string home = layout.underHome("");
  if (!home.empty() && home != "/") {
    if (hostPath == home) return "~";
    if (hostPath.size() > home.size() && hostPath[home.size()] == '/' && hostPath.starts_with(home))
      return std::string("~").append(hostPath.substr(home.size()));
  }
  if (!layout.isLiveSystem())
    if (auto onTheMac = layout.macPath(hostPath)) return *onTheMac;
  return std::string(hostPath);
}

Uuid forItem(const AppIdentity& app, std::string_view macStylePath) {
  const std::string& key = app.bundleIdentifier ? *app.bundleIdentifier : app.name;
  std::string name;
  name.reserve(key.size() + 1 + macStylePath.size());
  name.append(key).append(1, '\n').append(macStylePath);
  if (app.bundleIdentifier)
    for (std::size_t i = 0; i < key.size(); ++i) name[i] = ascii::lower(name[i]);
  return Uuid::nameBased(kNamespace, name);
}

void assign(AnalysisSnapshot& snapshot, const Layout& layout) {
  for (auto& f : snapshot.findings) f.id = forItem(snapshot.identity, macStylePath(f.url.path(), layout));
}

void assign(OrphanGroup& group, const Layout& layout) {
  AppIdentity app;
  app.bundleIdentifier = group.suspectedBundleIdentifier;
  for (auto& f : group.findings) {
    // The path as Url::path gives it, without a copy: a scan hands out a group for every leftover.
    std::string_view path = f.url.rawPath();
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    f.id = forItem(app, macStylePath(path, layout));
  }
}

std::string shortForm(const Uuid& id) { return id.toString().substr(0, 8); }

const FileFinding* find(std::string_view text, const std::vector<FileFinding>& findings) {
  const std::string wanted = ascii::uppercased(text);
  if (auto whole = Uuid::parse(wanted)) {
    for (const auto& f : findings)
      if (f.id == *whole) return &f;
    return nullptr;
  }
  if (wanted.size() != 8) return nullptr;
  const FileFinding* found = nullptr;
  for (const auto& f : findings) {
    if (shortForm(f.id) != wanted) continue;
    if (found && found->id != f.id) return nullptr;
    found = &f;
  }
  return found;
}

}  // namespace corvane::FindingIDs
