#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/directory_walk.h"

namespace corvane::platform {

namespace {

struct Listed {
  std::string name;
  std::optional<bool> isDirectory;
};

std::string joined(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// The visible entries of a folder sorted by name; none when it cannot be opened.
std::optional<std::vector<Listed>> listVisible(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return std::nullopt;
  std::vector<Listed> entries;
  while (struct dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (isHiddenItem(folder, name)) continue;
    Listed listed{name, std::nullopt};
    if (entry->d_type == DT_DIR) {
      listed.isDirectory = true;
    } else if (entry->d_type != DT_UNKNOWN) {
      listed.isDirectory = false;
    } else {
      struct stat st {};
      if (::lstat(joined(folder, name).c_str(), &st) == 0) listed.isDirectory = S_ISDIR(st.st_mode);
    }
    entries.push_back(std::move(listed));
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) { return a.name < b.name; });
  return entries;
}

struct Frame {
  std::string path;
  std::vector<Listed> entries;
  std::size_t next = 0;
};

}  // namespace

bool walkTree(const std::string& root, const std::function<WalkStep(const WalkEntry&)>& visit) {
  auto top = listVisible(root);
  if (!top) return false;
  std::vector<Frame> stack;
  stack.push_back(Frame{root, std::move(*top), 0});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next >= frame.entries.size()) {
      stack.pop_back();
      continue;
    }
    const Listed& listed = frame.entries[frame.next++];
    WalkEntry entry{joined(frame.path, listed.name), listed.name, listed.isDirectory};
    WalkStep step = visit(entry);
    if (step != WalkStep::descend || listed.isDirectory != true || stack.size() >= kMaxWalkDepth) continue;
    if (auto children = listVisible(entry.path))
      stack.push_back(Frame{std::move(entry.path), std::move(*children), 0});
  }
  return true;
}

std::optional<std::vector<std::string>> visibleEntryNames(const std::string& folder) {
  auto entries = listVisible(folder);
  if (!entries) return std::nullopt;
  std::vector<std::string> names;
  names.reserve(entries->size());
  for (auto& e : *entries) names.push_back(std::move(e.name));
  return names;
}

}  // namespace corvane::platform
