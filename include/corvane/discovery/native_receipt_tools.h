#pragma once
// Stand-ins for the package tools where they do not exist (Linux) or must not be asked (a Mac tree
// copied under another root): "pkgutil --pkgs" and "lsbom -s FILE" answered from the receipts folder
// and the bill-of-materials reader, printing what the real tools print.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/discovery/command_runner.h"
#include "corvane/model/layout.h"
#include "corvane/platform/file_system.h"

namespace corvane {

class NativeReceiptTools final : public CommandRunning {
 public:
  // Answers the two command lines from `receiptsDirectory` on `fileSystem` (this machine's when none is
  // given); any other command goes to `other` (a CommandRunner when none is given).
  explicit NativeReceiptTools(std::string receiptsDirectory, std::shared_ptr<const CommandRunning> other = nullptr,
                              std::shared_ptr<const platform::FileSystem> fileSystem = nullptr);

  // "/usr/sbin/pkgutil" "--pkgs": the identifiers of the receipt property lists ("<id>.plist", hidden
  // files left out) in code-point order, one a line. A folder that cannot be listed has no packages.
  // "/usr/bin/lsbom" "-s" FILE: "." and then "./a", "./a/b", ... one a line; nothing (status 1) when
  // the file is not a readable bill of materials. Output that is not UTF-8 is treated as the real
  // runner treats it.
  std::optional<std::string> run(const std::string& executable,
                                 const std::vector<std::string>& arguments) const override;
  CommandOutcome runWithStatus(const std::string& executable,
                               const std::vector<std::string>& arguments) const override;

  const std::string& receiptsDirectory() const { return receiptsDirectory_; }

 private:
  std::string receiptsDirectory_;
  std::shared_ptr<const CommandRunning> other_;
  std::shared_ptr<const platform::FileSystem> fileSystem_;
};

// The runner for the receipt tools on `layout`: a CommandRunner when the layout's root is "/", both
// tools exist and the receipts are read from this machine's disk; otherwise NativeReceiptTools over
// layout.receipts() on `fileSystem` (this machine's when none is given). `toolExists` defaults to a check
// for any item at the path.
std::shared_ptr<const CommandRunning> receiptToolsRunner(
    const Layout& layout, const std::function<bool(const std::string&)>& toolExists = {},
    std::shared_ptr<const platform::FileSystem> fileSystem = nullptr);

}  // namespace corvane
