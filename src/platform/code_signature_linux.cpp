// Without the code-signing service, the signature is read from the bundle's main executable itself.

#include <optional>
#include <string>

#include "corvane/formats/property_list.h"
#include "formats/macho_signature.h"
#include "platform/code_signature.h"
#include "platform/file_io.h"
#include "platform/file_status.h"
#include "platform/format_files.h"

namespace corvane::platform {

namespace {

// Information property lists larger than this are not read.
constexpr std::size_t kMaxInfoPlistBytes = std::size_t{4} << 20;

bool isPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The bundle's file name without its extension ("Tool.app" gives "Tool").
std::string bundleBaseName(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  std::string name = path.substr(path.rfind('/') + 1);
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The file whose signature speaks for the bundle: Contents/MacOS/ + CFBundleExecutable, or + the bundle's
// own name when the information list does not name one (as the system's bundle lookup does); the path
// itself when it names a single file.
std::optional<std::string> mainExecutable(const std::string& bundlePath) {
  auto itemStatus = status(bundlePath);
  if (!itemStatus) return std::nullopt;
  if (itemStatus->type() == FileType::regular) return bundlePath;
  if (itemStatus->type() != FileType::directory) return std::nullopt;
  PlistLimits limits;
  limits.maxBytes = kMaxInfoPlistBytes;
  auto info = plist::readFile(bundlePath + "/Contents/Info.plist", limits);
  std::optional<std::string> named = info.has_value() ? info->string("CFBundleExecutable") : std::nullopt;
  std::string name = named ? *named : bundleBaseName(bundlePath);
  if (!isPlainName(name)) return std::nullopt;
  return bundlePath + "/Contents/MacOS/" + name;
}

// The executable read in place, a part at a time.
class FileSource final : public macho::ByteSource {
 public:
  explicit FileSource(PositionedFile file) : file_(std::move(file)) {}
  std::uint64_t size() const override { return file_.size(); }
  std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset, std::uint64_t length) const override {
    // The reader bounds every length by its own limits; this keeps the allocation honest regardless.
    if (length > macho::kMaxSignatureBytes || offset > size() || length > size() - offset) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!file_.readAt(offset, bytes).has_value()) return std::nullopt;
    return bytes;
  }

 private:
  PositionedFile file_;
};

}  // namespace

SignatureFacts readCodeSignature(const std::string& bundlePath) {
  auto executable = mainExecutable(bundlePath);
  if (!executable) return {};
  auto file = PositionedFile::open(*executable);
  if (!file.has_value()) return {};
  return macho::signatureFacts(FileSource(std::move(file).value()));
}

macho::SignatureCheck checkCodeSignature(const std::string& bundlePath) {
  auto executable = mainExecutable(bundlePath);
  if (!executable) return {};
  auto file = PositionedFile::open(*executable);
  if (!file.has_value()) return {};
  std::optional<std::vector<std::uint8_t>> infoPlist;
  if (*executable != bundlePath) {
    auto bytes = readFileBytes(bundlePath + "/Contents/Info.plist", kMaxInfoPlistBytes);
    if (bytes.has_value()) infoPlist = std::move(bytes).value();
  }
  return macho::checkSignature(FileSource(std::move(file).value()), infoPlist);
}

}  // namespace corvane::platform
