#pragma once
// Readable test failures for SignatureFacts.

#include <ostream>

#include "corvane/discovery/signature_inspector.h"

namespace corvane {

inline void PrintTo(const SignatureFacts& facts, std::ostream* out) {
  *out << "{identifier " << (facts.signingIdentifier ? '"' + *facts.signingIdentifier + '"' : "absent") << ", team "
       << (facts.teamIdentifier ? '"' + *facts.teamIdentifier + '"' : "absent") << ", groups [";
  for (std::size_t i = 0; i < facts.applicationGroups.size(); ++i)
    *out << (i ? ", \"" : "\"") << facts.applicationGroups[i] << '"';
  *out << "]}";
}

}  // namespace corvane
