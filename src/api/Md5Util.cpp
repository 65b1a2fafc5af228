#include "api/Md5Util.h"

#include "platform/crypto/Md5.h"

#include <cstdint>

std::string Md5Util::md5_32(std::string_view text)
{
    std::string_view const cString = text.substr(0, text.find('\0'));
    auto const digest
        = crypto::md5({ reinterpret_cast<const std::uint8_t*>(cString.data()), cString.size() });
    static constexpr char hex[] = "0123456789abcdef";
    std::string result;
    result.reserve(digest.size() * 2);
    for (std::uint8_t byte : digest) {
        result.push_back(hex[byte >> 4]);
        result.push_back(hex[byte & 0xF]);
    }
    return result;
}
