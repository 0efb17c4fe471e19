#include "cli/orphan_state.h"

#include <ostream>

#include "corvane/orphans/orphan_scan_session.h"

namespace corvane::cli {

std::vector<InstalledApplication> listApps(const Layout& layout) { return OrphanScanSession::listApps(layout); }

OrphanScanResult scanOrphans(const Layout& layout, std::function<void(std::uint64_t)> progress) {
  return OrphanScanSession(layout, {std::move(progress), {}}).scan();
}

bool reportIncompleteScan(const std::vector<std::string>& unreadable, Context& context, const std::string& command,
                          const std::string& consequence) {
  if (unreadable.empty()) return false;
  std::string folders;
  for (const auto& folder : unreadable) folders += (folders.empty() ? "" : ", ") + folder;
  context.err << "corvane " << command << ": the scan is incomplete: " << folders
              << " could not be read, so no leftover can be told apart from an installed app's data; " << consequence
              << ".\n";
  return true;
}

bool applyScope(const ParsedArguments& args, Context& context, const std::string& command) {
  auto given = args.value("--scope");
  if (!given) return true;
  auto scope = Uuid::parse(*given);
  if (!scope) {
    context.err << "corvane " << command << ": --scope needs a scope identifier such as "
                   "0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9, not \"" << *given << "\"\n";
    return false;
  }
  context.layout.loginScope = *scope;
  return true;
}

json::Json encodeStoreStatus(const BackgroundItemStoreStatus& status) {
  using Kind = BackgroundItemStoreStatus::Kind;
  json::Json j = json::Json::object();
  j["kind"] = std::string(caseName(status.kind));
  if (status.kind == Kind::parsed || status.kind == Kind::degraded || status.kind == Kind::unreadableShape)
    j["version"] = status.version;
  if (status.kind == Kind::parsed || status.kind == Kind::degraded) j["filesParsed"] = status.filesParsed;
  if (status.kind == Kind::degraded) {
    j["filesSkipped"] = status.filesSkipped;
    j["truncated"] = status.truncated;
  }
  if (status.kind == Kind::unreadableShape) j["files"] = status.files;
  return j;
}

}  // namespace corvane::cli
