#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace net {

// HTTP header fields in the order they were first set. Names compare without
// regard to ASCII case, as HTTP requires; each name appears once, several
// values for it being joined with commas.
class HTTPHeaders {
public:
    using Field = std::pair<std::string, std::string>;

    std::optional<std::string> value(std::string_view name) const;
    // Replaces the field; nothing removes it.
    void set(std::string_view name, std::optional<std::string> value);
    // Appends to an existing field with a comma, or adds the field.
    void add(std::string_view name, std::string_view value);

    const std::vector<Field>& fields() const { return m_fields; }
    bool empty() const { return m_fields.empty(); }

    static bool namesEqual(std::string_view a, std::string_view b);
    // A token (RFC 9110, 5.6.2): what a field name or a method must be.
    static bool isToken(std::string_view text);
    // A value holding a line break (or a NUL) would write header lines of its own.
    static bool isSafeValue(std::string_view value);
    // Without the spaces and tabs around it.
    static std::string_view trimmed(std::string_view text);

private:
    std::vector<Field>::iterator find(std::string_view name);
    std::vector<Field>::const_iterator find(std::string_view name) const;

    std::vector<Field> m_fields;
};

} // namespace net
