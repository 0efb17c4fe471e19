#include "corvane/model/json_forms.h"

#include <cstdint>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "model/json_value.h"

namespace corvane::json {

namespace {

// Each record's fields are described once, in the order they are written; writing and reading both
// follow the description. Whether a field is optional follows from its member's type: a std::optional is
// left out when absent and reads as absent when its key is missing or null.
template <class R, class M>
struct Field {
  const char* key;
  M R::*member;
};
template <class R, class M>
constexpr Field<R, M> field(const char* key, M R::*member) {
  return {key, member};
}

template <class R>
struct Form;

template <>
struct Form<AppIdentity> {
  static constexpr const char* name = "AppIdentity";
  static constexpr auto fields = std::tuple{
      field("name", &AppIdentity::name),
      field("bundleIdentifier", &AppIdentity::bundleIdentifier),
      field("signingIdentifier", &AppIdentity::signingIdentifier),
      field("teamIdentifier", &AppIdentity::teamIdentifier),
      field("packageReceipts", &AppIdentity::packageReceipts),
      field("backgroundServiceIdentifiers", &AppIdentity::backgroundServiceIdentifiers),
      field("applicationGroups", &AppIdentity::applicationGroups),
  };
};

template <>
struct Form<InstalledApplication> {
  static constexpr const char* name = "InstalledApplication";
  static constexpr auto fields = std::tuple{
      field("url", &InstalledApplication::url),
      field("name", &InstalledApplication::name),
      field("bundleIdentifier", &InstalledApplication::bundleIdentifier),
      field("version", &InstalledApplication::version),
      field("isSystemApplication", &InstalledApplication::isSystemApplication),
  };
};

// The creation stamp stays out: it only sharpens comparisons on the machine that took it.
template <>
struct Form<DiskIdentity> {
  static constexpr const char* name = "DiskIdentity";
  static constexpr auto fields = std::tuple{
      field("device", &DiskIdentity::device),
      field("fileNumber", &DiskIdentity::fileNumber),
      field("fileType", &DiskIdentity::fileType),
  };
};

template <>
struct Form<MatchEvidence> {
  static constexpr const char* name = "MatchEvidence";
  static constexpr auto fields = std::tuple{
      field("id", &MatchEvidence::id),
      field("kind", &MatchEvidence::kind),
      field("explanation", &MatchEvidence::explanation),
      field("weight", &MatchEvidence::weight),
  };
};

template <>
struct Form<FileFinding> {
  static constexpr const char* name = "FileFinding";
  static constexpr auto fields = std::tuple{
      field("id", &FileFinding::id),
      field("url", &FileFinding::url),
      field("kind", &FileFinding::kind),
      field("confidence", &FileFinding::confidence),
      field("score", &FileFinding::score),
      field("evidence", &FileFinding::evidence),
      field("byteCount", &FileFinding::byteCount),
      field("modifiedAt", &FileFinding::modifiedAt),
      field("isProtectedLocation", &FileFinding::isProtectedLocation),
      field("displayName", &FileFinding::displayName),
      field("diskIdentity", &FileFinding::diskIdentity),
  };
};

template <>
struct Form<AnalysisSnapshot> {
  static constexpr const char* name = "AnalysisSnapshot";
  static constexpr auto fields = std::tuple{
      field("id", &AnalysisSnapshot::id),
      field("createdAt", &AnalysisSnapshot::createdAt),
      field("appURL", &AnalysisSnapshot::appURL),
      field("identity", &AnalysisSnapshot::identity),
      field("isApplicationRunning", &AnalysisSnapshot::isApplicationRunning),
      field("findings", &AnalysisSnapshot::findings),
  };
};

template <>
struct Form<TrashOperation> {
  static constexpr const char* name = "TrashOperation";
  static constexpr auto fields = std::tuple{
      field("id", &TrashOperation::id),
      field("originalURL", &TrashOperation::originalURL),
      field("trashedURL", &TrashOperation::trashedURL),
      field("succeeded", &TrashOperation::succeeded),
      field("errorDescription", &TrashOperation::errorDescription),
      field("failureReason", &TrashOperation::failureReason),
  };
};

template <>
struct Form<BackgroundServiceOperation> {
  static constexpr const char* name = "BackgroundServiceOperation";
  static constexpr auto fields = std::tuple{
      field("id", &BackgroundServiceOperation::id),
      field("serviceIdentifier", &BackgroundServiceOperation::serviceIdentifier),
      field("wasRegistered", &BackgroundServiceOperation::wasRegistered),
      field("paused", &BackgroundServiceOperation::paused),
      field("errorDescription", &BackgroundServiceOperation::errorDescription),
  };
};

template <>
struct Form<UninstallRecord> {
  static constexpr const char* name = "UninstallRecord";
  static constexpr auto fields = std::tuple{
      field("id", &UninstallRecord::id),
      field("createdAt", &UninstallRecord::createdAt),
      field("identity", &UninstallRecord::identity),
      field("preRemovalSnapshot", &UninstallRecord::preRemovalSnapshot),
      field("operations", &UninstallRecord::operations),
      field("postRemovalSnapshot", &UninstallRecord::postRemovalSnapshot),
      field("backgroundServiceOperations", &UninstallRecord::backgroundServiceOperations),
      field("followUpSnapshot", &UninstallRecord::followUpSnapshot),
  };
};

// How each kind of value is written and read. Reading gives the value or what is wrong with it; the
// record around it adds its name and the key.
template <class T, class = void>
struct Codec;

Error problem(const char* what) { return Error::invalid(what); }

template <>
struct Codec<std::string> {
  static Json encode(const std::string& v) { return v; }
  static Result<std::string> decode(const nlohmann::json& j) {
    if (!j.is_string()) return problem("not a string");
    return j.get_ref<const std::string&>();
  }
};

template <>
struct Codec<bool> {
  static Json encode(bool v) { return v; }
  static Result<bool> decode(const nlohmann::json& j) {
    if (!j.is_boolean()) return problem("not a Boolean");
    return j.get<bool>();
  }
};

template <>
struct Codec<std::int64_t> {
  static Json encode(std::int64_t v) { return v; }
  static Result<std::int64_t> decode(const nlohmann::json& j) {
    if (j.is_number_unsigned()) {
      auto u = j.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(INT64_MAX)) return problem("out of range");
      return static_cast<std::int64_t>(u);
    }
    if (!j.is_number_integer()) return problem("not an integer");
    return j.get<std::int64_t>();
  }
};

template <>
struct Codec<std::uint64_t> {
  static Json encode(std::uint64_t v) { return v; }
  static Result<std::uint64_t> decode(const nlohmann::json& j) {
    if (j.is_number_unsigned()) return j.get<std::uint64_t>();
    if (j.is_number_integer() && j.get<std::int64_t>() >= 0) return static_cast<std::uint64_t>(j.get<std::int64_t>());
    return problem("not an unsigned integer");
  }
};

// A narrower integer: read as its wide form, then checked against its own range.
template <class Narrow, class Wide>
struct NarrowCodec {
  static Json encode(Narrow v) { return v; }
  static Result<Narrow> decode(const nlohmann::json& j) {
    auto wide = Codec<Wide>::decode(j);
    if (!wide.has_value()) return wide.error();
    if (!std::in_range<Narrow>(*wide)) return problem("out of range");
    return static_cast<Narrow>(*wide);
  }
};
template <>
struct Codec<int> : NarrowCodec<int, std::int64_t> {};
template <>
struct Codec<std::uint32_t> : NarrowCodec<std::uint32_t, std::uint64_t> {};

// A value written as text: `parse` gives no value for text that is not of its form.
template <class T, auto write, auto parse>
struct TextCodec {
  static Json encode(const T& v) { return write(v); }
  static Result<T> decode(const nlohmann::json& j, const char* notOfForm) {
    auto text = Codec<std::string>::decode(j);
    if (!text.has_value()) return text.error();
    std::optional<T> value = parse(*text);
    if (!value) return problem(notOfForm);
    return *value;
  }
};

std::string uuidText(const Uuid& u) { return u.toString(); }
std::string urlText(const Url& u) { return u.absoluteString(); }

template <>
struct Codec<Uuid> : TextCodec<Uuid, uuidText, Uuid::parse> {
  static Result<Uuid> decode(const nlohmann::json& j) { return TextCodec::decode(j, "not a UUID"); }
};
template <>
struct Codec<Url> : TextCodec<Url, urlText, Url::parse> {
  static Result<Url> decode(const nlohmann::json& j) { return TextCodec::decode(j, "not a file URL"); }
};
template <>
struct Codec<Date> : TextCodec<Date, date::iso8601, date::parseISO8601> {
  static Result<Date> decode(const nlohmann::json& j) { return TextCodec::decode(j, "not an ISO 8601 date"); }
};

// Enumerations are written as their text and read leniently: unknown text reads as the fallback case.
template <class E, std::string_view (*write)(E), E (*read)(std::string_view)>
struct EnumCodec {
  static Json encode(E v) { return write(v); }
  static Result<E> decode(const nlohmann::json& j) {
    auto text = Codec<std::string>::decode(j);
    if (!text.has_value()) return text.error();
    return read(*text);
  }
};
template <>
struct Codec<FindingKind> : EnumCodec<FindingKind, stringValue, findingKindFromString> {};
template <>
struct Codec<FindingConfidence> : EnumCodec<FindingConfidence, stringValue, findingConfidenceFromString> {};
template <>
struct Codec<EvidenceKind> : EnumCodec<EvidenceKind, stringValue, evidenceKindFromString> {};
template <>
struct Codec<RemovalFailureReason> : EnumCodec<RemovalFailureReason, rawValue, removalFailureReasonFromString> {};

template <class T>
struct Codec<std::vector<T>> {
  static Json encode(const std::vector<T>& values) {
    Json list = Json::array();
    for (const auto& v : values) list.push_back(Codec<T>::encode(v));
    return list;
  }
  static Result<std::vector<T>> decode(const nlohmann::json& j) {
    if (!j.is_array()) return problem("not a list");
    std::vector<T> out;
    out.reserve(j.size());
    for (const auto& element : j) {
      auto value = Codec<T>::decode(element);
      if (!value.has_value()) {
        if constexpr (std::is_same_v<T, std::string>) return problem("holds a value that is not a string");
        return value.error();
      }
      out.push_back(std::move(value).value());
    }
    return out;
  }
};

// Records, from their field descriptions.
template <class R>
struct Codec<R, std::void_t<decltype(Form<R>::fields)>> {
  static Json encode(const R& record) {
    Json j = Json::object();
    std::apply([&](const auto&... f) { (put(j, f.key, record.*f.member), ...); }, Form<R>::fields);
    return j;
  }

  static Result<R> decode(const nlohmann::json& j) {
    if (!j.is_object()) return Error::invalid(std::string(Form<R>::name) + ": not an object");
    R record;
    std::optional<Error> error;
    std::apply([&](const auto&... f) { (... && take(j, f.key, record.*f.member, error)); }, Form<R>::fields);
    if (error) return *error;
    return record;
  }

 private:
  template <class M>
  static void put(Json& j, const char* key, const M& value) {
    j[key] = Codec<M>::encode(value);
  }
  template <class M>
  static void put(Json& j, const char* key, const std::optional<M>& value) {
    if (value) j[key] = Codec<M>::encode(*value);
  }

  // Reads one field into `out`; false (with the error) when the record cannot be read.
  template <class M>
  static bool take(const nlohmann::json& j, const char* key, M& out, std::optional<Error>& error) {
    auto it = j.find(key);
    if (it == j.end()) return fail(key, "missing", error);
    return assign(key, Codec<M>::decode(*it), out, error);
  }
  template <class M>
  static bool take(const nlohmann::json& j, const char* key, std::optional<M>& out, std::optional<Error>& error) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null()) return true;
    return assign(key, Codec<M>::decode(*it), out, error);
  }
  template <class V, class M>
  static bool assign(const char* key, Result<V> value, M& out, std::optional<Error>& error) {
    if (!value.has_value()) return fail(key, value.error().message, error);
    out = std::move(value).value();
    return true;
  }
  static bool fail(const char* key, const std::string& what, std::optional<Error>& error) {
    error = Error::invalid(std::string(Form<R>::name) + "." + key + ": " + what);
    return false;
  }
};

std::string dump(const nlohmann::json& value, int indent) {
  return value.dump(indent, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}
std::string dump(const Json& value, int indent) {
  return value.dump(indent, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

template <JsonForm T>
Json encode(const T& value) {
  return Codec<T>::encode(value);
}

template <JsonForm T>
Result<T> decode(const nlohmann::json& value) {
  return Codec<T>::decode(value);
}

Result<nlohmann::json> parse(std::string_view text) {
  auto j = nlohmann::json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (j.is_discarded()) return Error::invalid("malformed JSON");
  return j;
}

std::string pretty(const Json& value) { return dump(value, 2); }

std::string prettySorted(const Json& value) { return dump(nlohmann::json(value), 2); }

}  // namespace corvane::json

namespace corvane {

template <JsonForm T>
std::string toJSON(const T& value, JsonLayout layout) {
  json::Json j = json::encode(value);
  switch (layout) {
    case JsonLayout::pretty: return json::pretty(j);
    case JsonLayout::prettySorted: return json::prettySorted(j);
    case JsonLayout::compact: break;
  }
  return j.dump(-1, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}

template <JsonForm T>
Result<T> fromJSON(std::string_view text) {
  auto parsed = json::parse(text);
  if (!parsed.has_value()) return parsed.error();
  return json::decode<T>(*parsed);
}

#define CORVANE_JSON_FORM(T)                                                              \
  template json::Json json::encode<T>(const T&);                                          \
  template Result<T> json::decode<T>(const nlohmann::json&);                              \
  template std::string toJSON<T>(const T&, JsonLayout);                                   \
  template Result<T> fromJSON<T>(std::string_view);                                       \
  template json::Json json::encode<std::vector<T>>(const std::vector<T>&);                \
  template Result<std::vector<T>> json::decode<std::vector<T>>(const nlohmann::json&);    \
  template std::string toJSON<std::vector<T>>(const std::vector<T>&, JsonLayout);         \
  template Result<std::vector<T>> fromJSON<std::vector<T>>(std::string_view);

CORVANE_JSON_FORM(AppIdentity)
CORVANE_JSON_FORM(InstalledApplication)
CORVANE_JSON_FORM(DiskIdentity)
CORVANE_JSON_FORM(MatchEvidence)
CORVANE_JSON_FORM(FileFinding)
CORVANE_JSON_FORM(AnalysisSnapshot)
CORVANE_JSON_FORM(TrashOperation)
CORVANE_JSON_FORM(BackgroundServiceOperation)
CORVANE_JSON_FORM(UninstallRecord)

}  // namespace corvane
