#pragma once
// Writes property lists in the XML and the binary ("bplist00") format, for tests and sample Macs.

#include <cstdint>
#include <string>
#include <vector>

#include "corvane/formats/property_list.h"

namespace corvane::testing {

// The XML form with the usual header and DOCTYPE, tab-indented. Dates are written to the whole second
// (rounded down) and UIDs as the one-key dictionary {"CF$UID": n} that keyed archives use in XML.
std::string writeXMLPlist(const PropertyList& plist);

// The binary form: every value its own object, the top object first, integers, counts, offsets and
// references in the fewest bytes that hold them (negative integers take 8), reals and dates in 8 bytes,
// strings as ASCII when they are, otherwise as UTF-16BE (ill-formed UTF-8 bytes become U+FFFD).
std::vector<std::uint8_t> writeBinaryPlist(const PropertyList& plist);

}  // namespace corvane::testing
