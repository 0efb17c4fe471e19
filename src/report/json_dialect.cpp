#include "report/json_dialect.h"

#include <ostream>

#include "corvane/base/url.h"

namespace corvane::report {

namespace {

std::string pathKey(const std::string& key) {
  if (key == "url") return "path";
  if (key.size() > 3 && key.ends_with("URL")) return key.substr(0, key.size() - 3) + "Path";
  return key;
}

json::Json asPath(json::Json value) {
  if (value.is_string())
    if (auto url = Url::parse(value.get<std::string>())) return url->path();
  return value;
}

}  // namespace

json::Json inDialect(json::Json doc) {
  if (doc.is_array()) {
    for (auto& item : doc) item = inDialect(std::move(item));
    return doc;
  }
  if (!doc.is_object()) return doc;
  json::Json renamed = json::Json::object();
  for (auto& [key, value] : doc.items()) {
    const std::string name = pathKey(key);
    renamed[name] = name != key ? asPath(std::move(value)) : inDialect(std::move(value));
  }
  return renamed;
}

void printJSON(std::ostream& out, const json::Json& doc) { out << json::pretty(inDialect(doc)) << "\n"; }

}  // namespace corvane::report
