#include "sample_mac/corpus_mac.h"

#include "sample_mac/macho_builder.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

namespace corvane::testing {

namespace {

constexpr const char* kDate = "2024-05-01-101010";
constexpr const char* kNumber = "1714557000";
constexpr const char* kContinuation = "helper";

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::string> split(const std::string& path) {
  std::vector<std::string> parts;
  std::stringstream in(path);
  for (std::string part; std::getline(in, part, '/');) parts.push_back(part);
  return parts;
}

std::string extensionOf(const std::string& name) {
  auto dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? "" : lower(name.substr(dot + 1));
}

// Names that stand for files; everything else the corpus lists is a folder (or a bundle, which is one).
bool isFileName(const std::string& name) {
  static const std::set<std::string> kFileExtensions = {
      "plist", "crash", "ips", "diag", "sfl", "sfl2", "sfl3", "sfl4", "log", "json", "txt", "db",
      "lock", "binarycookies", "safariextz", "sqlite", "dat"};
  return kFileExtensions.count(extensionOf(name)) != 0;
}

// The developer team of a vendor, ten upper-case letters and digits drawn from its two-label identifier
// prefix, so that apps of one vendor share it as on a real Mac.
std::string teamOf(const std::optional<std::string>& bundleIdentifier) {
  std::string prefix = lower(bundleIdentifier.value_or(""));
  if (auto first = prefix.find('.'); first != std::string::npos)
    if (auto second = prefix.find('.', first + 1); second != std::string::npos) prefix.resize(second);
  std::uint64_t hash = 1469598103934665603ull;
  for (char c : prefix) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string team;
  for (int i = 0; i < 10; ++i, hash /= 36) team += digits[hash % 36];
  return team;
}

// The developer team that a path of the cask writes before the app's identifier, its group or its vendor's
// prefix ("6N38VWS5BX.ru.keepcoder.Telegram"); none when no path names one.
std::optional<std::string> namedTeam(const nlohmann::json& cask, const std::optional<std::string>& bundleIdentifier) {
  if (!bundleIdentifier) return std::nullopt;
  std::string vendor = lower(*bundleIdentifier);
  if (auto first = vendor.find('.'); first != std::string::npos)
    if (auto second = vendor.find('.', first + 1); second != std::string::npos) vendor.resize(second);
  for (const char* field : {"zap", "uninstallDelete", "uninstallTrash"}) {
    const auto list = cask.value(field, nlohmann::json::array());
    for (const auto& entry : list.is_array() ? list : nlohmann::json::array()) {
      std::string name = entry.is_string() ? entry.get<std::string>() : "";
      name = name.substr(name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1);
      if (name.size() < 12 || name[10] != '.' ||
          !std::all_of(name.begin(), name.begin() + 10, [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }))
        continue;
      std::string rest = lower(name.substr(11));
      if (rest.rfind("group.", 0) == 0) rest.erase(0, 6);
      if (rest.rfind(vendor, 0) == 0) return name.substr(0, 10);
    }
  }
  return std::nullopt;
}

// One component's wildcards, filled from left to right. `folder` is the component holding it; a leading
// wildcard is the app's developer-team prefix.
std::string fillComponent(const std::string& pattern, const std::string& folder, const std::string& team) {
  if (pattern == "*") return "Caches";  // a wildcard standing for a whole Library folder
  const bool reports = folder == "DiagnosticReports" || folder == "CrashReporter";
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '*') {
      out += pattern[i];
      continue;
    }
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const char prev = out.empty() ? '\0' : out.back();
    if (out.empty()) {
      out += next == '.' ? team : team + ".";
    } else if (prev == '_' || prev == '-') {
      out += kDate;
    } else if (endsWith(lower(out), ".sfl")) {
      out += "2";
    } else if (prev == '.') {
      out += next == '.' ? kNumber : kContinuation;
    } else if (reports || out.find('.') == std::string::npos) {
      out += std::string("_") + kDate;
    } else {
      out += std::string(".") + kContinuation;
    }
  }
  if (folder == "Preferences" && extensionOf(out) != "plist" && pattern.find('*') != std::string::npos)
    out += ".plist";
  if (reports && !isFileName(out)) out += folder == "CrashReporter" ? ".plist" : ".crash";
  return out;
}

std::string hostPath(const SampleMac& mac, const std::string& path) {
  if (path.rfind("~/", 0) == 0) return mac.user(path.substr(2));
  return mac.system(path);
}

bool looksSystemWide(const std::string& label) {
  const std::string l = lower(label);
  for (const char* word : {"daemon", "helper", "service", "system", "vmnetd", "socket", "privileged"})
    if (l.find(word) != std::string::npos) return true;
  return false;
}

void makeItem(const std::string& host) {
  const std::string name = host.substr(host.rfind('/') + 1);
  const std::string parent = host.substr(0, host.rfind('/'));
  const std::string folder = parent.substr(parent.rfind('/') + 1);
  if (isFileName(name)) {
    std::string contents = "x";
    if ((folder == "LaunchAgents" || folder == "LaunchDaemons") && extensionOf(name) == "plist")
      contents = xmlPlist({{"Label", name.substr(0, name.size() - 6)}});
    SampleMac::writeFile(host, contents);
  } else {
    SampleMac::makeFolder(host);
    if (folder == "Containers")
      SampleMac::writeFile(host + "/.com.apple.containermanagerd.metadata.plist",
                           xmlPlist({{"MCMMetadataIdentifier", name}}));
  }
}

std::string text(const nlohmann::json& value) { return value.is_string() ? value.get<std::string>() : ""; }

}  // namespace

std::string corpusFile(const std::string& sourceDir) { return sourceDir + "/../shared/corpus/casks.json"; }

std::optional<std::string> filledCorpusPath(const std::string& pattern, const std::string& team) {
  if (pattern.find("#{") != std::string::npos || pattern.empty()) return std::nullopt;
  std::vector<std::string> parts = split(pattern);
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += "/";
    out += fillComponent(parts[i], i > 0 ? parts[i - 1] : "", team);
  }
  return out;
}

std::optional<CorpusMac> buildCorpusMac(const SampleMac& mac, const std::string& casksJsonPath) {
  std::ifstream in(casksJsonPath);
  if (!in) return std::nullopt;
  nlohmann::json document = nlohmann::json::parse(in, nullptr, /*allow_exceptions=*/false);
  if (!document.is_object() || !document.contains("casks") || !document["casks"].is_array()) return std::nullopt;

  CorpusMac corpus;
  for (const auto& cask : document["casks"]) {
    if (!cask.is_object()) continue;
    CorpusApp app;
    app.token = text(cask.value("token", nlohmann::json()));
    app.name = text(cask.value("bundleName", nlohmann::json()));
    if (auto id = text(cask.value("bundleIdentifier", nlohmann::json())); !id.empty()) app.bundleIdentifier = id;
    std::string bundle = text(cask.value("app", nlohmann::json()));
    if (app.name.empty() || !endsWith(bundle, ".app")) continue;
    std::string parent = mac.system("/Applications");
    if (auto slash = bundle.rfind('/'); slash != std::string::npos) parent += "/" + bundle.substr(0, slash);
    const std::string file = bundle.substr(bundle.find('/') == std::string::npos ? 0 : bundle.rfind('/') + 1);
    app.bundlePath =
        mac.addApp(parent, BundleInfo{file.substr(0, file.size() - 4), app.bundleIdentifier, "1.0", std::nullopt, {}});
    // Signed by the vendor's team, as shipped: the one its packagers' paths name, else one made up.
    const std::string team = namedTeam(cask, app.bundleIdentifier).value_or(teamOf(app.bundleIdentifier));
    if (app.bundleIdentifier) {
      const auto bytes = buildSignedMachO(*app.bundleIdentifier, team, {});
      std::ofstream(app.bundlePath + "/Contents/MacOS/" + file.substr(0, file.size() - 4), std::ios::binary | std::ios::trunc)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::set<std::string> paths;
    for (const char* field : {"zap", "uninstallDelete", "uninstallTrash"}) {
      const auto list = cask.value(field, nlohmann::json::array());
      if (!list.is_array()) continue;
      for (const auto& entry : list) {
        auto filled = filledCorpusPath(text(entry), team);
        if (!filled || filled->front() == '*' || (filled->front() != '/' && filled->rfind("~/", 0) != 0)) continue;
        std::string host = hostPath(mac, *filled);
        if (host == app.bundlePath) continue;
        makeItem(host);
        paths.insert(host);
      }
    }
    // A launch service the packagers unload is defined somewhere: where its name says, unless listed.
    const auto labels = cask.value("launchctl", nlohmann::json::array());
    for (const auto& entry : labels.is_array() ? labels : nlohmann::json::array()) {
      const std::string label = text(entry);
      if (label.empty() || label.find('*') != std::string::npos) continue;
      const bool listed = std::any_of(paths.begin(), paths.end(), [&](const std::string& p) {
        return endsWith(p, "/" + label + ".plist");
      });
      if (listed) continue;
      std::string host = looksSystemWide(label) ? mac.system("/Library/LaunchDaemons/" + label + ".plist")
                                                : mac.user("Library/LaunchAgents/" + label + ".plist");
      makeItem(host);
      paths.insert(host);
    }
    app.paths.assign(paths.begin(), paths.end());
    corpus.apps.push_back(std::move(app));
  }
  return corpus;
}

std::vector<std::string> addLookAlikes(const SampleMac& mac) {
  static const char* const kLookAlikes[] = {
      // Products whose names hold an app's name inside a longer word, or as one of their words.
      "~/Library/Application Support/Bloomberg", "~/Library/Caches/com.bloomberg.terminal",
      "~/Library/Preferences/com.bloomberg.terminal.plist", "~/Library/Application Support/gamestats",
      "~/Library/Caches/net.gamestats.client", "~/Library/Application Support/Zoomify",
      "~/Library/Logs/Zoomify", "~/Library/Application Support/Signalis", "~/Library/Caches/SignalRClient",
      "~/Library/Application Support/Novation Components", "~/Library/Caches/com.novation.components",
      "~/Library/Application Support/Slackware Tools", "~/Library/Application Support/Dockerfile Linter",
      "~/Library/Application Support/Transmission Remote GUI", "~/Library/Application Support/Obsidian Entertainment",
      "~/Library/Application Support/Epic Pen", "~/Library/Preferences/com.tankstudios.epicpen.plist",
      "~/Library/Application Support/Sparkle", "~/Library/Caches/org.sparkle-project.Sparkle",
      "~/Library/Application Support/Firefly Studio", "~/Library/Application Support/Anki Vector",
      "~/Library/Application Support/Kekaroo", "~/Library/Application Support/Postmaster",
      "~/Library/Application Support/Insomniac Games", "~/Library/Logs/Stats Collector",
      "~/Library/Application Support/Loomis Tools", "~/Library/Caches/com.vivaldiweb.radio",
      "~/Library/Application Support/ZedGraph", "~/Library/Application Support/Ollamac",
      "~/.zoomhub", "~/.signalwire", "~/.loomrc",
      // Another product of the same name.
      "~/Library/Application Support/Loom", "~/Library/Caches/Stats", "~/Library/Application Support/Nova",
      "~/Library/Logs/Signal", "~/Library/Application Support/Spark",
      // Other vendors' folders and identifiers.
      "~/Library/Application Support/Panic/Transmit", "~/Library/Caches/com.panic.Transmit",
      "~/Library/Preferences/com.panic.Transmit.plist", "~/Library/Application Support/Google/Chrome",
      "~/Library/Caches/com.google.Chrome", "~/Library/Preferences/com.google.Chrome.plist",
      "~/Library/Caches/com.microsoft.teams2", "~/Library/Containers/com.microsoft.teams2",
      "~/Library/Group Containers/UBF8T346G9.com.microsoft.teams", "~/Library/Application Support/Cisco/Secure Client",
      "~/Library/Caches/com.objective-see.blockblock",
      "~/Library/Preferences/org.mozilla.thunderbird.plist", "~/Library/Application Support/Thunderbird",
      "/Library/Application Support/Objective Development/LaunchBar",
      // Everyday words.
      "~/Library/Application Support/Backup", "~/Library/Application Support/Sync", "~/Library/Caches/Updates",
      "~/Library/Application Support/Crashpad", "~/Library/Logs/Notes", "~/Library/Application Support/Desktop",
      "~/.config/app", "~/.local/share/fonts"};
  std::vector<std::string> out;
  for (const char* path : kLookAlikes) {
    const std::string host = hostPath(mac, path);
    makeItem(host);
    out.push_back(host);
  }
  return out;
}

}  // namespace corvane::testing
