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
  const std::string sentence = report::incompleteScan(unreadable, consequence);
  if (!sentence.empty()) context.err << "corvane " << command << ": " << sentence << "\n";
  return !sentence.empty();
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

}  // namespace corvane::cli
