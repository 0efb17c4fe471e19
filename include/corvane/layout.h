#pragma once
// Where the fixed locations of a Mac are. The default is the real machine; tests, the demo and people
// inspecting a copied Mac tree point `root` (what stands for "/") and `home` elsewhere.

#include <optional>
#include <string>
#include <string_view>

#include "corvane/uuid.h"

namespace corvane {

struct Layout {
  std::string root = "/";
  std::string home;
  // The current user's login scope (GUID), when known without asking the system.
  std::optional<Uuid> loginScope;
  // The current user's numeric id, used in launchd domains ("gui/" + uid).
  unsigned userID = 0;

  // The machine this process runs on: root "/", the current user's home and id.
  static Layout system();
  static Layout at(std::string root, std::string home);

  // root + an absolute path ("/Library" -> root + "/Library"); with root "/" the path itself.
  std::string underRoot(std::string_view absolutePath) const;
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
