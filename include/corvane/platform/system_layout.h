#pragma once
// The layout of the machine this process runs on: what an app hands the services to work on the live Mac
// (tests and the demo build a Layout over a copied tree instead).

#include "corvane/model/layout.h"

namespace corvane::platform {

// Root "/", the current user's home folder and user id.
Layout systemLayout();

}  // namespace corvane::platform
