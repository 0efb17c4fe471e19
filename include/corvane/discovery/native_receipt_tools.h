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

// A CommandRunning that answers the two command lines from `receiptsDirectory` on `fileSystem` (this
// machine's when none is given); any other command goes to `other` (a CommandRunner when none is given).
// "/usr/sbin/pkgutil" "--pkgs": the identifiers of the receipt property lists ("<id>.plist", hidden
// files left out) in code-point order, one a line. A folder that cannot be listed has no packages.
// "/usr/bin/lsbom" "-s" FILE: "." and then "./a", "./a/b", ... one a line; nothing (status 1) when
// the file is not a readable bill of materials. Output that is not UTF-8 is treated as the real
// runner treats it.
struct NativeReceiptTools : CommandRunning {
  explicit NativeReceiptTools(std::string receiptsDirectory, std::shared_ptr<const CommandRunning> other = nullptr,
                              std::shared_ptr<const platform::FileSystem> fileSystem = nullptr);
};

// Whether the real tools answer for `layout`: only when its root is "/" and both tools exist.
// `toolExists` defaults to a check for any item at the path.
bool usesRealReceiptTools(const Layout& layout, const std::function<bool(const std::string&)>& toolExists = {});

// The runner for the receipt tools on `layout`: a CommandRunner when usesRealReceiptTools and the
// receipts are read from this machine's disk; otherwise NativeReceiptTools over layout.receipts() on
// `fileSystem` (this machine's when none is given).
std::shared_ptr<const CommandRunning> receiptToolsRunner(
    const Layout& layout, const std::function<bool(const std::string&)>& toolExists = {},
    std::shared_ptr<const platform::FileSystem> fileSystem = nullptr);

}  // namespace corvane
