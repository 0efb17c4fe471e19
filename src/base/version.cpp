#include "corvane/base/version.h"

namespace corvane {

std::string_view version() { return CORVANE_VERSION; }

}  // namespace corvane
