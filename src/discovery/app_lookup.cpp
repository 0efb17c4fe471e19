#include "corvane/discovery/app_lookup.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <numeric>

#include "base/ascii.h"
#include "corvane/base/url.h"
#include "platform/directory.h"
#include "platform/fs_ops.h"

namespace corvane {

namespace {

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return ascii::lower(c); });
  return text;
}

// Further than this and a name is no longer a plausible misspelling (a name holding the text still is).
std::size_t closeEnough(const std::string& given) { return std::max<std::size_t>(2, given.size() / 3); }

// Links followed before a chain counts as a loop (the system's own limit is of this order).
constexpr int kMaxLinkHops = 32;

std::string folderProblemText(int code) {
  switch (code) {
    case ENOENT: return "does not exist";
    case ENOTDIR: return "is not a folder";
    case EACCES:
    case EPERM: return "cannot be read (no permission)";
    case ELOOP: return "is a loop of symbolic links";
    default: return std::string("cannot be used (") + std::strerror(code) + ")";
  }
}

}  // namespace

AppPath resolveAppPath(const std::string& given, const Layout& layout) {
  std::string current = given;
  for (int hops = 0;; ++hops) {
    const Result<std::string> target = platform::readLink(current);
    if (!target.has_value()) break;
    if (hops == kMaxLinkHops) return {std::nullopt, "", given + " is a loop of symbolic links"};
    std::string next;
    if (target->starts_with("/"))
      next = layout.macPath(*target) ? *target : layout.hostPath(*target);
    else
      next = current.substr(0, current.rfind('/') + 1) + *target;
    current = url::standardizedPath(next);
  }
  AppPath found;
  if (current != given) found.note = given + " is a symbolic link to " + current + "; working on that bundle";
  bool isFolder = false;
  if (!platform::fileExists(current, &isFolder)) {
    found.problem = current == given ? "no application bundle at " + given
                                     : given + " is a symbolic link to " + current + ", where nothing is";
    return found;
  }
  if (!isFolder || !lowered(current).ends_with(".app")) {
    found.problem = current + " is not an application bundle (a folder whose name ends in .app)";
    return found;
  }
  found.path = current;
  return found;
}

std::optional<std::string> layoutProblem(const Layout& layout, bool rootGiven, bool homeGiven) {
  if (layout.home.empty()) return "no home folder is known (pass --home DIR)";
  const std::pair<std::string, std::string> folders[] = {
      {rootGiven ? "--root " + layout.root : "the root folder " + layout.root, layout.root},
      {homeGiven ? "--home " + layout.home : "your home folder " + layout.home, layout.home}};
  for (const auto& [what, path] : folders)
    if (Status access = platform::checkFolderAccess(path); !access.has_value())
      return what + " " + folderProblemText(access.error().code);
  return std::nullopt;
}

bool looksLikeAppPath(const std::string& text) {
  return text.find('/') != std::string::npos || lowered(text).ends_with(".app");
}

std::size_t editDistance(const std::string& a, const std::string& b) {
  const std::string x = lowered(a), y = lowered(b);
  std::vector<std::size_t> row(y.size() + 1);
  std::iota(row.begin(), row.end(), std::size_t{0});
  for (std::size_t i = 1; i <= x.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= y.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[y.size()];
}

AppLookup findApp(const std::string& given, const std::vector<InstalledApplication>& installed) {
  const std::string key = lowered(given);
  std::vector<const InstalledApplication*> matches;
  for (const auto& app : installed) {
    const bool named = lowered(app.name) == key;
    const bool identified = app.bundleIdentifier && lowered(*app.bundleIdentifier) == key;
    const bool seen = std::any_of(matches.begin(), matches.end(),
                                  [&](const auto* m) { return m->url.path() == app.url.path(); });
    if ((named || identified) && !seen) matches.push_back(&app);
  }
  if (matches.size() == 1) return {matches[0]->url.path(), ""};
  if (matches.size() > 1) {
    std::string problem = "\"" + given + "\" matches " + std::to_string(matches.size()) + " applications:\n";
    for (const auto* m : matches)
      problem += "  " + m->name + "  " + m->bundleIdentifier.value_or("-") + "  " + m->url.path() + "\n";
    return {std::nullopt, problem + "Give the path of the one you mean.\n"};
  }

  // The closest names, nearest first, each once.
  std::vector<std::pair<std::size_t, std::string>> near;
  for (const auto& app : installed) {
    const std::size_t d = editDistance(given, app.name);
    const bool partOf = !key.empty() && lowered(app.name).find(key) != std::string::npos;
    if ((d <= closeEnough(given) || partOf) && std::none_of(near.begin(), near.end(), [&](const auto& n) { return n.second == app.name; }))
      near.emplace_back(d, app.name);
  }
  std::stable_sort(near.begin(), near.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
  std::string problem = "no application is named or identified as \"" + given + "\"";
  if (near.empty()) return {std::nullopt, problem + " (see corvane apps)\n"};
  problem += "; did you mean ";
  for (std::size_t i = 0; i < near.size() && i < 3; ++i)
    problem += (i == 0 ? "" : i + 1 == std::min<std::size_t>(near.size(), 3) ? " or " : ", ") + ("\"" + near[i].second + "\"");
  return {std::nullopt, problem + "?\n"};
}

}  // namespace corvane
