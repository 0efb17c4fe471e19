#pragma once
// The in-memory file system under the name the tests knew it by.
#include "corvane/platform/memory_file_system.h"

namespace corvane::testing {
using MemoryFileSystem = platform::MemoryFileSystem;
}
