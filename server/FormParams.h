#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace merchant {

// The parameters of one request. The app joins "key=value" pairs with "&"
// without escaping anything, so a typed "&" or "=" inside a value is
// ambiguous on the wire. The reading rule that loses no data for the app's
// requests: the text is cut at "&" only where the next piece starts with
// "<key>=" for a key the path accepts and that has not been seen yet; any
// other piece is glued back, "&" included, onto the value before it. A value
// keeps every "=" after its first one.
class FormParams {
public:
    FormParams() = default;

    static FormParams parseSigned(std::string_view plain, const std::vector<std::string>& knownKeys);
    // An ordinary form body ("+" is a space, "%XX" a byte), as the agent
    // request's engine writes it.
    static FormParams parseUrlEncoded(std::string_view body);

    // "%XX" becomes the byte; a malformed escape is kept as it stands and "+"
    // stays "+", because the app's escaping leaves "+" alone.
    static std::string percentDecode(std::string_view text);

    bool has(const std::string& key) const { return m_values.count(key) != 0; }
    // The value, or "" when the key is absent.
    std::string value(const std::string& key) const;
    std::optional<std::string> find(const std::string& key) const;
    void set(const std::string& key, std::string value) { m_values[key] = std::move(value); }
    void decode(const std::string& key);

    nlohmann::ordered_json toJson() const;
    std::size_t size() const { return m_values.size(); }

private:
    std::map<std::string, std::string> m_values;
};

} // namespace merchant
