#pragma once

#include <string>
#include <string_view>
#include <vector>

// A multipart/form-data body, part by part. The boundary is random, and is
// drawn again should any part happen to hold it, so no part's bytes can end
// the body early. Names and file names are written with '"', CR and LF
// escaped ("%22", "%0D", "%0A"), so they cannot break out of their header.
class MultipartFormData {
public:
    MultipartFormData();

    void appendField(std::string_view name, std::string_view value);
    void appendFile(
        std::string_view name, std::string_view fileName, std::string_view mimeType, std::string_view bytes);

    const std::string& boundary() const { return m_boundary; }
    // The parts and the closing boundary line.
    std::string body() const;
    // "multipart/form-data; charset=utf-8; boundary=...".
    std::string contentType(std::string_view charset) const;

    static std::string escapedName(std::string_view name);

private:
    struct Part {
        std::string headers;
        std::string content;
    };
    void append(std::string headers, std::string_view content);

    std::string m_boundary;
    std::vector<Part> m_parts;
};
