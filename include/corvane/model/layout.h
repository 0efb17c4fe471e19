#pragma once
// Where the fixed locations of a Mac are. The default is the real machine; tests, the demo and people
// inspecting a copied Mac tree point `root` (what stands for "/") and `home` elsewhere.

#include <optional>
#include <string>
#include <string_view>

#include "corvane/base/uuid.h"

namespace corvane {

struct Layout {
  std::string root = "/";
  std::string home;
  // The current user's login scope (GUID), when known without asking the system.
  std::optional<Uuid> loginScope;
  // The user's numeric id, used in launchd domains ("gui/" + uid).
  unsigned userID = 0;

  // The machine this process runs on is platform::systemLayout().
  static Layout at(std::string root, std::string home, unsigned userID = 0);

  // Whether this layout is the machine this process runs on (root "/"). Only then do the live system's
  // services (the mount table, the package tools) speak for it.
  bool isLiveSystem() const;

  // root + an absolute path ("/Library" -> root + "/Library"); with root "/" the path itself. For the
  // fixed locations below; paths that come from data use hostPath.
  std::string underRoot(std::string_view absolutePath) const;

  // Paths read from the Mac's own data (a database's bundle paths, a launch job's program, receipts,
  // background-item URLs, link targets) are Mac paths: "/Applications/Tool.app" names the same place
  // whatever the root. hostPath is where this layout keeps a Mac path (standardised, a relative one
  // taken from "/", then under root); every such path goes through it before it is compared or touched.
  std::string hostPath(std::string_view macPath) const;
  // The inverse, for showing a host path as the Mac sees it: none for a path outside the root.
  std::optional<std::string> macPath(std::string_view hostPath) const;
  // home + "/" + a relative path; the home itself when empty.
  std::string underHome(std::string_view relativePath) const;

  std::string applications() const { return underRoot("/Applications"); }
  std::string systemApplications() const { return underRoot("/System/Applications"); }
  std::string library() const { return underRoot("/Library"); }
  std::string userLibrary() const { return underHome("Library"); }
  std::string receipts() const { return underRoot("/var/db/receipts"); }
  std::string systemExtensions() const { return underRoot("/Library/SystemExtensions"); }
  std::string backgroundItems() const { return underRoot("/private/var/db/com.apple.backgroundtaskmanagement"); }
  std::string volumes() const { return underRoot("/Volumes"); }
  std::string userTrash() const { return underHome(".Trash"); }
  std::string applicationSupport() const { return underHome("Library/Application Support/Corvane"); }

  bool operator==(const Layout&) const = default;
};

}  // namespace corvane
