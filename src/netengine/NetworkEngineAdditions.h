#pragma once

#include <string>
#include <string_view>

// Text helpers of the HTTP engine: identifiers and URL escaping. They use the
// platform's MD5 and percent coder, not the signed client's, so the engine
// stands on its own.
class NetworkEngineAdditions {
public:
    // 32 lower-case hexadecimal digits of the MD5 of the text's bytes up to
    // the first zero byte.
    static std::string md5(std::string_view text);
    // The text of a new random UUID.
    static std::string uniqueString();
    // Every byte escaped as "%XX" (upper-case hexadecimal) except letters,
    // digits, '-', '.', '_' and '~': safe as a form key or value, and in a
    // query, whatever the text holds.
    static std::string ne_urlEncodedString(std::string_view text);
    // The reverse of form escaping: '+' is a space and "%XX" the byte it
    // names, so an escaped plus ("%2B") stays a plus. Escapes that are
    // malformed or do not make UTF-8 give "".
    static std::string urlDecodedString(std::string_view text);
};
