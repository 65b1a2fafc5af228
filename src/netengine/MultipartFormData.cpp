#include "netengine/MultipartFormData.h"

#include "platform/foundation/UUID.h"

#include <algorithm>

namespace {

std::string newBoundary()
{
    return "Boundary-" + foundation::UUID::newString();
}

} // namespace

MultipartFormData::MultipartFormData()
    : m_boundary(newBoundary())
{
}

std::string MultipartFormData::escapedName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        switch (c) {
        case '"':
            out += "%22";
            break;
        case '\r':
            out += "%0D";
            break;
        case '\n':
            out += "%0A";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void MultipartFormData::append(std::string headers, std::string_view content)
{
    // The chance is tiny, but a body that holds its own boundary is ambiguous.
    while (content.find(m_boundary) != std::string_view::npos
        || std::any_of(m_parts.begin(), m_parts.end(),
            [this](const Part& part) { return part.content.find(m_boundary) != std::string::npos; }))
        m_boundary = newBoundary();
    m_parts.push_back({ std::move(headers), std::string(content) });
}

void MultipartFormData::appendField(std::string_view name, std::string_view value)
{
    append("Content-Disposition: form-data; name=\"" + escapedName(name) + "\"\r\n", value);
}

void MultipartFormData::appendFile(
    std::string_view name, std::string_view fileName, std::string_view mimeType, std::string_view bytes)
{
    // A MIME type holding a line break would add header lines of its own.
    std::string type(mimeType);
    type.erase(
        std::remove_if(type.begin(), type.end(), [](char c) { return c == '\r' || c == '\n'; }), type.end());
    append("Content-Disposition: form-data; name=\"" + escapedName(name) + "\"; filename=\""
            + escapedName(fileName) + "\"\r\nContent-Type: " + type
            + "\r\nContent-Transfer-Encoding: binary\r\n",
        bytes);
}

std::string MultipartFormData::body() const
{
    std::string out;
    for (const auto& part : m_parts) {
        out += "--" + m_boundary + "\r\n";
        out += part.headers;
        out += "\r\n";
        out += part.content;
        out += "\r\n";
    }
    out += "--" + m_boundary + "--\r\n";
    return out;
}

std::string MultipartFormData::contentType(std::string_view charset) const
{
    return "multipart/form-data; charset=" + std::string(charset) + "; boundary=" + m_boundary;
}
