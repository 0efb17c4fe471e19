#include "corvane/discovery/native_receipt_tools.h"

#include <algorithm>

#include "corvane/discovery/package_receipt_catalog.h"
#include "formats/bom_reader.h"
#include "discovery/tool_output.h"
#include "platform/directory.h"
#include "corvane/platform/file_system.h"
#include "platform/format_files.h"

namespace corvane {

namespace {

constexpr char kPlistExtension[] = ".plist";

// What a stand-in tool printed and how it ended.
struct ToolAnswer {
  int status = 0;
  std::string output;
};

ToolAnswer listPackages(const platform::FileSystem& fs, const std::string& receiptsDirectory) {
  std::vector<std::string> identifiers;
  if (auto listing = fs.list(receiptsDirectory); listing.has_value()) {
    for (const platform::FolderEntry& entry : listing->entries) {
      const std::string_view name = entry.name;
      const std::size_t idLength = name.size() - std::min(name.size(), sizeof kPlistExtension - 1);
      if (entry.type == platform::EntryType::directory || idLength == 0 || !name.ends_with(kPlistExtension)) continue;
      identifiers.emplace_back(name.substr(0, idLength));
    }
  }
  std::sort(identifiers.begin(), identifiers.end());
  std::string text;
  for (const std::string& identifier : identifiers) text += identifier + "\n";
  return {0, std::move(text)};
}

ToolAnswer listBom(const platform::FileSystem& fs, const std::string& path) {
  auto paths = bom::readPathsFromFile(fs, path);
  if (!paths.has_value()) return {1, "lsbom: " + paths.error().describe() + "\n"};
  return {0, bom::pathListing(*paths)};
}

std::optional<ToolAnswer> answer(const platform::FileSystem& fs, const std::string& receiptsDirectory,
                                 const std::string& executable, const std::vector<std::string>& arguments) {
  if (executable == kPackageToolPath && arguments == std::vector<std::string>{"--pkgs"})
    return listPackages(fs, receiptsDirectory);
  if (executable == kBomToolPath && arguments.size() == 2 && arguments[0] == "-s") return listBom(fs, arguments[1]);
  return std::nullopt;
}

}  // namespace

NativeReceiptTools::NativeReceiptTools(std::string receiptsDirectory, std::shared_ptr<const CommandRunning> other,
                                       std::shared_ptr<const platform::FileSystem> fileSystem) {
  if (!other) other = std::make_shared<CommandRunner>();
  if (!fileSystem) fileSystem = platform::sharedRealFileSystem();
  auto folder = std::make_shared<const std::string>(std::move(receiptsDirectory));
  output = [folder, other, fileSystem](const std::string& executable,
                                       const Arguments& arguments) -> std::optional<std::string> {
    std::optional<ToolAnswer> answered = answer(*fileSystem, *folder, executable, arguments);
    if (!answered) return other->run(executable, arguments);
    // Like the real runner: a failing tool, or output that is not UTF-8, gives nothing.
    if (answered->status != 0 || !tool_output::isValidUTF8(answered->output)) return std::nullopt;
    return std::move(answered->output);
  };
  outcome = [folder, other, fileSystem](const std::string& executable, const Arguments& arguments) {
    std::optional<ToolAnswer> answered = answer(*fileSystem, *folder, executable, arguments);
    if (!answered) return other->runWithStatus(executable, arguments);
    std::string text = tool_output::isValidUTF8(answered->output) ? answered->output : std::string();
    return CommandOutcome{answered->status, tool_output::trimmedWhitespaceAndNewlines(text)};
  };
}

bool usesRealReceiptTools(const Layout& layout, const std::function<bool(const std::string&)>& toolExists) {
  auto exists = toolExists ? toolExists : [](const std::string& path) { return platform::itemExists(path); };
  // The real tools answer for the real machine only, never for a tree under another root.
  return layout.isLiveSystem() && exists(kPackageToolPath) && exists(kBomToolPath);
}

std::shared_ptr<const CommandRunning> receiptToolsRunner(const Layout& layout,
                                                         const std::function<bool(const std::string&)>& toolExists,
                                                         std::shared_ptr<const platform::FileSystem> fileSystem) {
  const bool onDisk = !fileSystem || fileSystem.get() == &platform::realFileSystem();
  if (onDisk && usesRealReceiptTools(layout, toolExists)) return std::make_shared<CommandRunner>();
  return std::make_shared<NativeReceiptTools>(layout.receipts(), nullptr, std::move(fileSystem));
}

}  // namespace corvane
