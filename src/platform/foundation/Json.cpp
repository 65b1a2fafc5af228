#include "platform/foundation/Json.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace foundation {

namespace {

// Builds the value as the parser reads it. nlohmann's own builder inserts each key
// of an ordered object with a linear search for it, which makes an object of n keys
// cost n squared; here a key is appended, and only an object grown past a few keys
// gets a hash index of its keys, kept while the object is open (duplicate keys: the
// last value wins, in the first one's place). The depth limit is checked as
// containers open, so hostile nesting stops at once.
class LinearBuilder {
public:
    using string_t = Json::string_t;

    explicit LinearBuilder(Json& root)
        : m_root(root)
    {
    }

    bool null() { return add(Json(nullptr)); }
    bool boolean(bool value) { return add(Json(value)); }
    bool number_integer(Json::number_integer_t value) { return add(Json(value)); }
    bool number_unsigned(Json::number_unsigned_t value) { return add(Json(value)); }
    bool number_float(Json::number_float_t value, const string_t&) { return add(Json(value)); }
    bool string(string_t& value) { return add(Json(std::move(value))); }
    bool binary(Json::binary_t& value) { return add(Json(Json::binary_t(std::move(value)))); }

    bool start_object(std::size_t) { return open(Json::object()); }
    bool start_array(std::size_t) { return open(Json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(string_t& key)
    {
        m_open.back().key = std::move(key);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

private:
    // Objects smaller than this are searched in place: cheaper than building an index
    // (replies carry a few dozen keys an object at most).
    static constexpr size_t indexFrom = 64;

    using Entries = Json::object_t::Container;

    struct Open {
        Json* container;
        string_t key;
        std::unordered_map<string_t, size_t> index;
    };

    bool open(Json container)
    {
        if (m_open.size() >= static_cast<size_t>(kMaxJsonDepth))
            return false;
        Json* placed = place(std::move(container));
        m_open.push_back(Open { placed, {}, {} });
        return true;
    }

    bool close()
    {
        m_open.pop_back();
        return true;
    }

    bool add(Json value)
    {
        place(std::move(value));
        return true;
    }

    Json* place(Json value)
    {
        if (m_open.empty()) {
            m_root = std::move(value);
            return &m_root;
        }
        auto& open = m_open.back();
        if (open.container->is_array()) {
            auto& array = open.container->get_ref<Json::array_t&>();
            array.push_back(std::move(value));
            return &array.back();
        }
        // The ordered object is a vector of entries underneath; it is used as one.
        auto& object = static_cast<Entries&>(open.container->get_ref<Json::object_t&>());
        if (auto existing = find(open, object); existing != object.size()) {
            object[existing].second = std::move(value);
            return &object[existing].second;
        }
        if (open.index.empty() && object.size() + 1 < indexFrom) {
            object.emplace_back(std::move(open.key), std::move(value));
            return &object.back().second;
        }
        object.emplace_back(open.key, std::move(value));
        if (open.index.empty()) {
            for (size_t i = 0; i < object.size(); ++i)
                open.index.emplace(object[i].first, i);
        } else {
            open.index.emplace(std::move(open.key), object.size() - 1);
        }
        return &object.back().second;
    }

    // The position of the pending key in the object, or its size when it is new.
    static size_t find(const Open& open, const Entries& object)
    {
        if (!open.index.empty()) {
            auto it = open.index.find(open.key);
            return it == open.index.end() ? object.size() : it->second;
        }
        for (size_t i = 0; i < object.size(); ++i) {
            if (object[i].first == open.key)
                return i;
        }
        return object.size();
    }

    Json& m_root;
    std::vector<Open> m_open;
};

const Json& nullJson()
{
    static const Json null;
    return null;
}

template<typename Int> Int saturate(const Json& value)
{
    using Limits = std::numeric_limits<Int>;
    if (value.is_number_unsigned()) {
        auto v = value.get<std::uint64_t>();
        return v > static_cast<std::uint64_t>(Limits::max()) ? Limits::max() : static_cast<Int>(v);
    }
    if (value.is_number_integer()) {
        auto v = value.get<std::int64_t>();
        if (v > static_cast<std::int64_t>(Limits::max()))
            return Limits::max();
        if (v < static_cast<std::int64_t>(Limits::min()))
            return Limits::min();
        return static_cast<Int>(v);
    }
    // A double is cut toward zero, saturating, with NaN as 0.
    double v = value.get<double>();
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(Limits::max()))
        return Limits::max();
    if (v <= static_cast<double>(Limits::min()))
        return Limits::min();
    return static_cast<Int>(v);
}

} // namespace

std::optional<Json> parseJsonObject(std::string_view text)
{
    // No separate UTF-8 check: the parser refuses ill-formed UTF-8 in strings (overlong
    // forms and surrogates included), and any byte above 0x7F elsewhere is a syntax error.
    Json value;
    LinearBuilder builder(value);
    if (!Json::sax_parse(text.begin(), text.end(), &builder) || !(value.is_object() || value.is_array()))
        return std::nullopt;
    return value;
}

const Json& valueForKey(const Json& object, std::string_view key)
{
    if (!object.is_object())
        return nullJson();
    auto it = object.find(key);
    return it == object.end() ? nullJson() : *it;
}

const Json& valueForKey(const std::optional<Json>& object, std::string_view key)
{
    return object ? valueForKey(*object, key) : nullJson();
}

std::optional<std::string> optionalText(const Json& object, std::string_view key)
{
    const Json& value = valueForKey(object, key);
    if (!value.is_string())
        return std::nullopt;
    return value.get<std::string>();
}

std::optional<std::string> optionalText(const std::optional<Json>& object, std::string_view key)
{
    return object ? optionalText(*object, key) : std::nullopt;
}

bool isNullOrAbsent(const Json& object, std::string_view key)
{
    return valueForKey(object, key).is_null();
}

double doubleValue(const Json& value)
{
    if (value.is_number())
        return value.get<double>();
    if (value.is_boolean())
        return value.get<bool>() ? 1.0 : 0.0;
    if (value.is_string())
        return doubleValue(value.get_ref<const std::string&>());
    return 0.0;
}

int intValue(const Json& value)
{
    if (value.is_number())
        return saturate<int>(value);
    if (value.is_boolean())
        return value.get<bool>() ? 1 : 0;
    if (value.is_string())
        return intValue(value.get_ref<const std::string&>());
    return 0;
}

long long longLongValue(const Json& value)
{
    if (value.is_number())
        return saturate<long long>(value);
    if (value.is_boolean())
        return value.get<bool>() ? 1 : 0;
    if (value.is_string())
        return longLongValue(value.get_ref<const std::string&>());
    return 0;
}

std::string describe(const Json& value)
{
    switch (value.type()) {
    case Json::value_t::string:
        return value.get<std::string>();
    case Json::value_t::number_integer:
        return std::to_string(value.get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return std::to_string(value.get<std::uint64_t>());
    case Json::value_t::number_float:
        return formatShortest(value.get<double>());
    case Json::value_t::boolean:
        return value.get<bool>() ? "1" : "0";
    case Json::value_t::null:
        return "<null>";
    default:
        return value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

} // namespace foundation
