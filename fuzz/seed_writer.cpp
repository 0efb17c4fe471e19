// corvane-fuzz-seeds FOLDER: writes a seed corpus for every fuzz target into FOLDER/<target>/, taken from
// the files the sample-Mac builders write (the demo Mac, a removed app's leftovers and its history record,
// a Trash's Put Back store, the weekly check's state) and classified by what each file is.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "corvane/formats/property_list.h"
#include "corvane/orphans/leftover_check.h"
#include "sample_mac/background_items_builder.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/ds_store_writer.h"
#include "sample_mac/orphaned_mac.h"
#include "sample_mac/plist_writer.h"
#include "sample_mac/sample_mac.h"

namespace fs = std::filesystem;
using corvane::testing::SampleMac;

namespace {

class SeedFolder {
 public:
  explicit SeedFolder(fs::path root) : root_(std::move(root)) {}

  void add(const std::string& target, const std::string& bytes) {
    if (bytes.empty()) return;
    fs::create_directories(root_ / target);
    const int n = ++counts_[target];
    std::ofstream(root_ / target / ("seed-" + std::to_string(n)), std::ios::binary) << bytes;
  }
  void add(const std::string& target, const std::vector<std::uint8_t>& bytes) {
    add(target, std::string(bytes.begin(), bytes.end()));
  }
  const std::map<std::string, int>& counts() const { return counts_; }

 private:
  fs::path root_;
  std::map<std::string, int> counts_;
};

bool startsWith(const std::string& bytes, std::string_view prefix) { return bytes.rfind(prefix, 0) == 0; }

bool isMachO(const std::string& b) {
  if (b.size() < 4) return false;
  const auto u = [&](int i) { return static_cast<unsigned char>(b[static_cast<std::size_t>(i)]); };
  const std::uint32_t be = (u(0) << 24) | (u(1) << 16) | (u(2) << 8) | u(3);
  const std::uint32_t le = (u(3) << 24) | (u(2) << 16) | (u(1) << 8) | u(0);
  for (std::uint32_t magic : {0xFEEDFACEu, 0xFEEDFACFu, 0xCAFEBABEu, 0xCAFEBABFu})
    if (be == magic || le == magic) return true;
  return false;
}

// One file of the sample Mac, to every target that reads its kind.
void classify(SeedFolder& seeds, const fs::path& path, const std::string& bytes) {
  const std::string name = path.filename().string();
  const std::string ext = path.extension().string();
  const bool binaryPlist = startsWith(bytes, "bplist00");
  const bool xmlPlist = !binaryPlist && bytes.find("<plist") != std::string::npos;
  if (name == ".DS_Store") seeds.add("ds_store", bytes);
  if (ext == ".bom") seeds.add("bom", bytes);
  if (ext == ".strings") seeds.add("strings", bytes);
  if (ext == ".btm") {
    seeds.add("background_items", bytes);
    seeds.add("keyed_archive", bytes);
  }
  if (name == "history.json") seeds.add("history", bytes);
  if (name == "leftover-check.json") seeds.add("weekly_state", bytes);
  if (name == "db.plist" && path.parent_path().filename() == "SystemExtensions") seeds.add("system_extension_db", bytes);
  if (name == ".com.apple.containermanagerd.metadata.plist" || name == "Container.plist")
    seeds.add("container_metadata", bytes);
  if (isMachO(bytes)) seeds.add("macho", bytes);
  if (!xmlPlist && !binaryPlist) return;
  // Each property list in both forms: the other form written from what it parses to.
  auto parsed = corvane::plist::parse({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  if (!parsed.has_value()) return;
  seeds.add("xml_plist", xmlPlist ? bytes : corvane::testing::writeXMLPlist(*parsed));
  seeds.add("binary_plist", binaryPlist ? bytes : [&] {
    auto b = corvane::testing::writeBinaryPlist(*parsed);
    return std::string(b.begin(), b.end());
  }());
}

void writeBuiltSeeds(SeedFolder& seeds, const SampleMac& mac) {
  using corvane::LeftoverCheckState;
  for (const LeftoverCheckState& state :
       {LeftoverCheckState{}, LeftoverCheckState{1, corvane::PreciseDate(std::chrono::duration<double>(789012345.5)),
                                                 std::vector<std::string>{"/Users/a/Library/Caches/com.x", "/é"}}})
    seeds.add("weekly_state", state.encoded());
  // The other two shapes of background-items file, from the demo's own scopes.
  const auto scopes = corvane::testing::demoBackgroundItemScopes(mac);
  std::vector<std::string> scopeNames;
  for (const auto& scope : scopes) scopeNames.push_back(scope.identifier);
  const std::vector<corvane::testing::SampleBackgroundItem> none;
  for (const auto& archive : {corvane::testing::scopeArchive(corvane::testing::kDemoUserScope,
                                                             scopes.empty() ? none : scopes.front().items),
                              corvane::testing::scopeIndexArchive(scopeNames)}) {
    const auto bytes = corvane::testing::writeBinaryPlist(archive);
    seeds.add("background_items", bytes);
    seeds.add("keyed_archive", bytes);
  }
  // Container metadata in both forms, with each of the keys the owner is read from.
  for (const char* key : {"MCMMetadataIdentifier", "Identifier"}) {
    const std::string xml = corvane::testing::xmlPlist({{key, "com.example.glimmer"}, {"MCMMetadataUUID", "X"}});
    seeds.add("container_metadata", xml);
    auto parsed = corvane::plist::parse({reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()});
    if (parsed.has_value()) seeds.add("container_metadata", corvane::testing::writeBinaryPlist(*parsed));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: corvane-fuzz-seeds FOLDER\n");
    return 2;
  }
  SeedFolder seeds(argv[1]);
  corvane::testing::TemporaryFolder tmp("fuzz-seeds");
  SampleMac mac(tmp.path() + "/mac");
  corvane::testing::buildDemoMac(mac);
  corvane::testing::addRemovedAppLeftovers(mac);
  (void)corvane::testing::recordGlimmerUninstall(mac);
  corvane::testing::writeTrashDSStore(mac.user(".Trash"), {{"Glimmer.app", "Applications/", "Glimmer.app"},
                                                           {"notes 2.txt", "Users/a/Documents/", "notes.txt"}});
  (void)corvane::LeftoverCheckStore(mac.user("Library/Application Support/Corvane/leftover-check.json"))
      .save({1, std::nullopt, std::vector<std::string>{}});
  for (auto it = fs::recursive_directory_iterator(mac.folder(), fs::directory_options::skip_permission_denied);
       it != fs::recursive_directory_iterator(); ++it) {
    std::error_code ec;
    if (!it->is_regular_file(ec) || it->file_size(ec) > (4u << 20)) continue;
    std::ifstream in(it->path(), std::ios::binary);
    classify(seeds, it->path(), std::string(std::istreambuf_iterator<char>(in), {}));
  }
  writeBuiltSeeds(seeds, mac);
  for (const auto& [target, count] : seeds.counts()) std::printf("%-20s %d seeds\n", target.c_str(), count);
  return 0;
}
