#pragma once
// The current user.

#include <string>

namespace corvane::platform {

// $HOME when set, else the password database's home folder, else "/".
std::string homeDirectory();
unsigned currentUserID();

}  // namespace corvane::platform
