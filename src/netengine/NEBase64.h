#pragma once

#include <string>
#include <string_view>

// The HTTP engine's own Base64 (standard alphabet, '=' padding), used for the
// Basic authorisation header. Bytes travel as std::string.
class NEBase64 {
public:
    // Reads every character of the alphabet and skips everything else ('='
    // and line breaks included). Groups of four give three bytes; a last
    // group of three gives two, of two one, of one nothing.
    static std::string decode(std::string_view text);
    // With line breaks, "\r\n" follows every 64 characters when more follow.
    static std::string encode(std::string_view bytes, bool lineBreaks);

    // The bytes of a Base64 text; a text that is not ASCII gives none.
    static std::string dataFromBase64String(std::string_view text);
    static std::string base64EncodedString(std::string_view bytes) { return encode(bytes, false); }
};
