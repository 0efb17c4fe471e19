#pragma once
// The JSON forms as nlohmann values, for documents that hold records among keys of their own (the
// tool's --json outputs). Everything else goes through corvane/json_forms.h.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "corvane/model/json_forms.h"

namespace corvane::json {

using Json = nlohmann::ordered_json;

template <JsonForm T>
Json encode(const T& value);
template <JsonForm T>
Result<T> decode(const nlohmann::json& value);

// Parses text without exceptions; malformed text is an error.
Result<nlohmann::json> parse(std::string_view text);

// Pretty-printed with two-space indents, keys in the order given, or sorted.
std::string pretty(const Json& value);
std::string prettySorted(const Json& value);

}  // namespace corvane::json
