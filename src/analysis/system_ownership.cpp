#include "analysis/system_ownership.h"

#include "analysis/system_library_names.h"

namespace corvane::SystemOwnership {

void withhold(std::vector<FileFinding>& findings, const AppIdentity& identity, std::span<const std::string> libraries,
              const std::function<void(FileFinding)>& withheld) {
  const bool applesOwn = SystemLibraryNames::isApplesOwn(identity);
  std::vector<FileFinding> kept;
  kept.reserve(findings.size());
  for (auto& f : findings) {
    std::optional<SystemLibraryNames::Claim> claim;
    if (f.kind != FindingKind::application && f.kind != FindingKind::installerReceipt)
      claim = SystemLibraryNames::claim(f.url.path(), libraries);
    // Apple's own apps keep the system's folders; a folder of many apps' items is nobody's whole.
    if (!claim || (claim->role == SystemLibraryNames::Role::system && applesOwn)) {
      kept.push_back(std::move(f));
      continue;
    }
    if (withheld) {
      f.evidence.emplace_back(EvidenceKind::sharedOwnership, claim->explanation, 0);
      withheld(std::move(f));
    }
  }
  findings = std::move(kept);
}

}  // namespace corvane::SystemOwnership
