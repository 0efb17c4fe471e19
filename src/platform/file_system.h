#pragma once
// The file system interface is public; this name stays for code written before it moved.
#include "corvane/platform/file_system.h"
