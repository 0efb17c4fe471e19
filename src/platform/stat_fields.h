#pragma once
// The fields of the system's status record that differ between systems, read into FileStatus.

#include <cstdint>

#include "platform/file_status.h"

struct stat;

namespace corvane::platform {

// The record of a status the system gave.
FileStatus statusFromStat(const struct ::stat& st);
// The BSD file flags; 0 where the system keeps none.
std::uint32_t statFlags(const struct ::stat& st);
// The access and modification times to the nanosecond.
void readStatTimes(const struct ::stat& st, FileStatus& into);

}  // namespace corvane::platform
