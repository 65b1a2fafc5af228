#include "netengine/RequestEncoding.h"

#include "netengine/NetworkEngineAdditions.h"

#include <optional>

namespace {

std::string xmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
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
        default:
            out += c;
        }
    }
    return out;
}

// False when the value holds something the format cannot carry.
bool writePlistValue(const foundation::Json& value, int depth, std::string& out)
{
    std::string const indent(static_cast<std::size_t>(depth), '\t');
    switch (value.type()) {
    case foundation::Json::value_t::object:
        out += indent + "<dict>\n";
        for (const auto& [key, element] : value.items()) {
            out += indent + "\t<key>" + xmlEscaped(key) + "</key>\n";
            if (!writePlistValue(element, depth + 1, out))
                return false;
        }
        out += indent + "</dict>\n";
        return true;
    case foundation::Json::value_t::array:
        out += indent + "<array>\n";
        for (const auto& element : value)
            if (!writePlistValue(element, depth + 1, out))
                return false;
        out += indent + "</array>\n";
        return true;
    case foundation::Json::value_t::string:
        out += indent + "<string>" + xmlEscaped(value.get_ref<const std::string&>()) + "</string>\n";
        return true;
    case foundation::Json::value_t::boolean:
        out += indent + (value.get<bool>() ? "<true/>\n" : "<false/>\n");
        return true;
    case foundation::Json::value_t::number_integer:
    case foundation::Json::value_t::number_unsigned:
        out += indent + "<integer>" + foundation::describe(value) + "</integer>\n";
        return true;
    case foundation::Json::value_t::number_float:
        out += indent + "<real>" + foundation::describe(value) + "</real>\n";
        return true;
    default:
        return false;
    }
}

} // namespace

std::string RequestEncoding::urlEncodedKeyValueString(const foundation::Json& fields)
{
    if (!fields.is_object())
        return {};
    std::string text;
    for (const auto& [key, value] : fields.items()) {
        text += NetworkEngineAdditions::ne_urlEncodedString(key);
        text += '=';
        text += value.is_string()
            ? NetworkEngineAdditions::ne_urlEncodedString(value.get_ref<const std::string&>())
            : foundation::describe(value);
        text += '&';
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

std::string RequestEncoding::jsonEncodedKeyValueString(const foundation::Json& fields)
{
    // Texts that are not valid UTF-8 cannot be JSON; they are written with
    // the replacement character rather than failing the whole body.
    return fields.dump(-1, ' ', false, foundation::Json::error_handler_t::replace);
}

std::string RequestEncoding::plistEncodedKeyValueString(const foundation::Json& fields)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
    if (!writePlistValue(fields, 0, out))
        return {};
    out += "</plist>\n";
    return out;
}
