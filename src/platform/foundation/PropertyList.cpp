#include "platform/foundation/PropertyList.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace foundation {

namespace {

// Characters XML 1.0 forbids in a document, whatever escapes them: controls
// other than tab and line ends, and U+FFFE and U+FFFF. (Surrogates and
// overlong forms are not UTF-8, which is checked apart.)
bool holdsForbiddenCharacters(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto const byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
            return true;
        if (byte == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF
            && (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE)
            return true;
    }
    return false;
}

bool isXmlCharacter(std::uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "YYYY-MM-DDTHH:MM:SSZ", the only form the format writes.
bool isDate(std::string_view text)
{
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':'
        || text[16] != ':' || text[19] != 'Z')
        return false;
    for (std::size_t i : { 0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18 })
        if (!isDigit(text[i]))
            return false;
    auto number = [&text](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    return number(5) >= 1 && number(5) <= 12 && number(8) >= 1 && number(8) <= 31 && number(11) <= 23
        && number(14) <= 59 && number(17) <= 60;
}

bool isBase64Character(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isDigit(c) || c == '+' || c == '/';
}

// The Base64 text without white space, when it is whole Base64.
std::optional<std::string> compactBase64(std::string_view text)
{
    std::string out;
    for (char c : text)
        if (!isSpace(c))
            out += c;
    if (out.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && padding < out.size() && out[out.size() - 1 - padding] == '=')
        ++padding;
    for (std::size_t i = 0; i + padding < out.size(); ++i)
        if (!isBase64Character(out[i]))
            return std::nullopt;
    return out;
}

class Reader {
public:
    explicit Reader(std::string_view text)
        : m_text(text)
    {
    }

    Result<Json> document()
    {
        if (m_text.size() > PropertyList::maxBytes)
            return fail("the document is too large");
        if (!isValidUtf8(m_text) || holdsForbiddenCharacters(m_text))
            return fail("the document is not UTF-8 text XML allows");
        if (startsWith("\xEF\xBB\xBF"))
            m_at += 3;
        if (startsWith("<?xml")) {
            auto end = m_text.find("?>", m_at);
            if (end == std::string_view::npos)
                return fail("the XML declaration does not end");
            m_at = end + 2;
        }
        TRY(skipMisc());
        if (startsWith("<!DOCTYPE")) {
            auto end = m_text.find('>', m_at);
            if (end == std::string_view::npos)
                return fail("the document type does not end");
            // An internal subset could declare entities; none is needed here.
            if (m_text.substr(m_at, end - m_at).find('[') != std::string_view::npos)
                return fail("a document type with declarations of its own");
            m_at = end + 1;
        }
        TRY(skipMisc());
        auto root = TRY(tag());
        if (root.name != "plist" || root.closing || root.empty)
            return fail("no <plist> element");
        if (!isPlistVersion(root.attributes))
            return fail("a <plist> of another version");
        TRY(skipMisc());
        auto result = TRY(value(1));
        TRY(skipMisc());
        TRY(closeTag("plist"));
        TRY(skipMisc());
        if (m_at != m_text.size())
            return fail("more after </plist>");
        return result;
    }

private:
    struct Tag {
        std::string_view name;
        bool closing { false };
        bool empty { false };
        std::string_view attributes;
    };

    Error fail(std::string_view what) const
    {
        return Error("property list: " + std::string(what) + " at byte " + std::to_string(m_at));
    }

    bool startsWith(std::string_view prefix) const { return m_text.substr(m_at).starts_with(prefix); }

    Result<void> skipMisc()
    {
        for (;;) {
            while (m_at < m_text.size() && isSpace(m_text[m_at]))
                ++m_at;
            if (!startsWith("<!--"))
                return {};
            auto end = m_text.find("-->", m_at + 4);
            if (end == std::string_view::npos)
                return fail("a comment does not end");
            m_at = end + 3;
        }
    }

    // version="1.0" or nothing.
    static bool isPlistVersion(std::string_view attributes)
    {
        while (!attributes.empty() && isSpace(attributes.front()))
            attributes.remove_prefix(1);
        while (!attributes.empty() && isSpace(attributes.back()))
            attributes.remove_suffix(1);
        return attributes.empty() || attributes == "version=\"1.0\"" || attributes == "version='1.0'";
    }

    Result<Tag> tag()
    {
        if (!startsWith("<"))
            return fail("an element expected");
        ++m_at;
        Tag tag;
        if (startsWith("/")) {
            tag.closing = true;
            ++m_at;
        }
        auto const nameStart = m_at;
        while (m_at < m_text.size()
            && ((m_text[m_at] >= 'a' && m_text[m_at] <= 'z') || (m_text[m_at] >= 'A' && m_text[m_at] <= 'Z')))
            ++m_at;
        tag.name = m_text.substr(nameStart, m_at - nameStart);
        if (tag.name.empty())
            return fail("an element without a name");
        auto const end = m_text.find('>', m_at);
        if (end == std::string_view::npos)
            return fail("an element does not end");
        auto inside = m_text.substr(m_at, end - m_at);
        m_at = end + 1;
        if (!tag.closing && inside.ends_with('/')) {
            tag.empty = true;
            inside.remove_suffix(1);
        }
        if (!inside.empty() && !isSpace(inside.front()))
            return fail("an unknown element");
        tag.attributes = inside;
        if (tag.name != "plist")
            for (char c : inside)
                if (!isSpace(c))
                    return fail("an element with attributes");
        return tag;
    }

    Result<void> closeTag(std::string_view name)
    {
        auto closing = TRY(tag());
        if (!closing.closing || closing.name != name)
            return fail("</" + std::string(name) + "> expected");
        return {};
    }

    // The text up to the element's end, its references resolved.
    Result<std::string> text(std::string_view element)
    {
        std::string out;
        while (m_at < m_text.size() && m_text[m_at] != '<') {
            char const c = m_text[m_at];
            if (c != '&') {
                out += c;
                ++m_at;
                continue;
            }
            auto const end = m_text.find(';', m_at);
            if (end == std::string_view::npos || end - m_at > 12)
                return fail("a reference does not end");
            auto const name = m_text.substr(m_at + 1, end - m_at - 1);
            if (name == "amp")
                out += '&';
            else if (name == "lt")
                out += '<';
            else if (name == "gt")
                out += '>';
            else if (name == "quot")
                out += '"';
            else if (name == "apos")
                out += '\'';
            else if (auto code = characterReference(name))
                out += encodeUtf8(static_cast<char32_t>(*code));
            else
                return fail("an unknown reference");
            m_at = end + 1;
        }
        TRY(closeTag(element));
        return out;
    }

    static std::optional<std::uint32_t> characterReference(std::string_view name)
    {
        if (name.size() < 2 || name[0] != '#')
            return std::nullopt;
        int base = 10;
        name.remove_prefix(1);
        if (name[0] == 'x') {
            base = 16;
            name.remove_prefix(1);
        }
        std::uint32_t code = 0;
        auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), code, base);
        if (error != std::errc() || end != name.data() + name.size() || name.empty() || !isXmlCharacter(code))
            return std::nullopt;
        return code;
    }

    Result<Json> value(int depth)
    {
        if (depth > PropertyList::maxDepth)
            return fail("nesting too deep");
        auto const open = TRY(tag());
        if (open.closing)
            return fail("a value expected");
        auto const& name = open.name;
        if (name == "dict")
            return dictionary(open, depth);
        if (name == "array")
            return array(open, depth);
        if (name == "true" || name == "false") {
            if (!open.empty)
                TRY(closeTag(name));
            return Json(name == "true");
        }
        if (name == "string")
            return open.empty ? Json("") : Json(TRY(text(name)));
        if (name != "integer" && name != "real" && name != "date" && name != "data")
            return fail("an unknown element");
        std::string const content = open.empty ? std::string() : TRY(text(name));
        if (name == "integer")
            return integer(content);
        if (name == "real")
            return real(content);
        if (name == "date") {
            if (!isDate(content))
                return fail("a date not in the form YYYY-MM-DDTHH:MM:SSZ");
            return Json(content);
        }
        auto data = compactBase64(content);
        if (!data)
            return fail("data that is not Base64");
        return Json(std::move(*data));
    }

    Result<Json> dictionary(const Tag& open, int depth)
    {
        Json object = Json::object();
        if (open.empty)
            return object;
        for (;;) {
            TRY(skipMisc());
            auto const key = TRY(tag());
            if (key.closing && key.name == "dict")
                return object;
            if (key.closing || key.name != "key")
                return fail("<key> expected");
            std::string name = key.empty ? std::string() : TRY(text("key"));
            if (object.contains(name))
                return fail("a key given twice");
            TRY(skipMisc());
            object[std::move(name)] = TRY(value(depth + 1));
        }
    }

    Result<Json> array(const Tag& open, int depth)
    {
        Json list = Json::array();
        if (open.empty)
            return list;
        for (;;) {
            TRY(skipMisc());
            if (startsWith("</")) {
                TRY(closeTag("array"));
                return list;
            }
            list.push_back(TRY(value(depth + 1)));
        }
    }

    Result<Json> integer(std::string_view text) const
    {
        bool const negative = text.starts_with('-');
        if (text.starts_with('-') || text.starts_with('+'))
            text.remove_prefix(1);
        if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit))
            return fail("an integer that is not decimal digits");
        std::uint64_t magnitude = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
        if (error != std::errc() || end != text.data() + text.size())
            return fail("an integer out of range");
        if (!negative)
            return Json(magnitude);
        if (magnitude > std::uint64_t { 1 } << 63)
            return fail("an integer out of range");
        return Json(
            magnitude == std::uint64_t { 1 } << 63 ? INT64_MIN : -static_cast<std::int64_t>(magnitude));
    }

    Result<Json> real(std::string_view text) const
    {
        if (text.starts_with('+'))
            text.remove_prefix(1);
        double number = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (text.empty() || error != std::errc() || end != text.data() + text.size()
            || !std::isfinite(number))
            return fail("a real that is not a finite number");
        return Json(number);
    }

    std::string_view m_text;
    std::size_t m_at { 0 };
};

// False when the text cannot stand in the format.
bool appendEscaped(std::string_view text, std::string& out)
{
    if (!PropertyList::canHoldText(text))
        return false;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\r':
            // A raw one would be read back as a line feed.
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
    return true;
}

bool writeValue(const Json& value, int depth, std::string& out)
{
    // The reader counts the outermost value as depth 1.
    if (depth >= PropertyList::maxDepth)
        return false;
    std::string const indent(static_cast<std::size_t>(depth), '\t');
    switch (value.type()) {
    case Json::value_t::object:
        out += indent + "<dict>\n";
        for (const auto& [key, element] : value.items()) {
            out += indent + "\t<key>";
            if (!appendEscaped(key, out))
                return false;
            out += "</key>\n";
            if (!writeValue(element, depth + 1, out))
                return false;
        }
        out += indent + "</dict>\n";
        return true;
    case Json::value_t::array:
        out += indent + "<array>\n";
        for (const auto& element : value)
            if (!writeValue(element, depth + 1, out))
                return false;
        out += indent + "</array>\n";
        return true;
    case Json::value_t::string:
        out += indent + "<string>";
        if (!appendEscaped(value.get_ref<const std::string&>(), out))
            return false;
        out += "</string>\n";
        return true;
    case Json::value_t::boolean:
        out += indent + (value.get<bool>() ? "<true/>\n" : "<false/>\n");
        return true;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
        out += indent + "<integer>" + describe(value) + "</integer>\n";
        return true;
    case Json::value_t::number_float:
        if (!std::isfinite(value.get<double>()))
            return false;
        out += indent + "<real>" + describe(value) + "</real>\n";
        return true;
    default:
        return false;
    }
}

} // namespace

Result<Json> PropertyList::read(std::string_view text)
{
    return Reader(text).document();
}

bool PropertyList::canHoldText(std::string_view text)
{
    return isValidUtf8(text) && !holdsForbiddenCharacters(text);
}

std::optional<std::string> PropertyList::write(const Json& value)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
    if (!writeValue(value, 0, out))
        return std::nullopt;
    out += "</plist>\n";
    return out;
}

} // namespace foundation
