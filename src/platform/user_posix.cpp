#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/user.h"

namespace corvane::platform {

std::string homeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

unsigned currentUserID() { return static_cast<unsigned>(::getuid()); }

}  // namespace corvane::platform
