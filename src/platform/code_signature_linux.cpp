// Without the code-signing service, the signature is read from the bundle's main executable itself.

#include <cstddef>
#include <optional>
#include <string>

#include "corvane/property_list.h"
#include "discovery/macho_signature.h"
#include "platform/code_signature.h"
#include "platform/file_io.h"
#include "platform/file_status.h"

namespace corvane::platform {

namespace {

// Executables larger than this are not read (their signature is left absent).
constexpr std::size_t kMaxExecutableBytes = std::size_t{256} << 20;

// The file whose signature speaks for the bundle: Contents/MacOS/ + CFBundleExecutable, or the path
// itself when it names a single file.
std::optional<std::string> mainExecutable(const std::string& bundlePath) {
  auto itemStatus = status(bundlePath);
  if (!itemStatus) return std::nullopt;
  if (itemStatus->type() == FileType::regular) return bundlePath;
  if (itemStatus->type() != FileType::directory) return std::nullopt;
  auto info = plist::readFile(bundlePath + "/Contents/Info.plist");
  if (!info.has_value()) return std::nullopt;
  auto name = info->string("CFBundleExecutable");
  if (!name || name->empty() || *name == "." || *name == ".." || name->find('/') != std::string::npos)
    return std::nullopt;
  return bundlePath + "/Contents/MacOS/" + *name;
}

}  // namespace

SignatureFacts readCodeSignature(const std::string& bundlePath) {
  auto executable = mainExecutable(bundlePath);
  if (!executable) return {};
  auto bytes = readFileBytes(*executable, kMaxExecutableBytes);
  if (!bytes.has_value()) return {};
  return macho::signatureFacts(*bytes);
}

}  // namespace corvane::platform
