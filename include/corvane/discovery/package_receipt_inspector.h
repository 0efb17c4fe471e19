#pragma once
// Which registered installer packages plausibly belong to one application, asked of the package
// database through "/usr/sbin/pkgutil --pkgs".

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/discovery/command_runner.h"

namespace corvane {

class PackageReceiptInspector {
 public:
  explicit PackageReceiptInspector(std::shared_ptr<const CommandRunning> runner);

  // The package identifiers that equal the bundle identifier or continue it with "." (ignoring case),
  // or whose normalised form contains the normalised application name when that has 4 or more
  // characters; sorted in code-point order. Empty when the tool gives no answer.
  std::vector<std::string> matchingReceipts(const std::optional<std::string>& bundleIdentifier,
                                            const std::string& appName) const;

  const std::shared_ptr<const CommandRunning>& runner() const { return runner_; }

 private:
  std::shared_ptr<const CommandRunning> runner_;
};

}  // namespace corvane
