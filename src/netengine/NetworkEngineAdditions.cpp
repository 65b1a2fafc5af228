#include "netengine/NetworkEngineAdditions.h"

#include "platform/crypto/Md5.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UUID.h"

#include <algorithm>
#include <span>

std::string NetworkEngineAdditions::md5(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    auto const digest
        = crypto::md5(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (auto byte : digest) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

std::string NetworkEngineAdditions::uniqueString()
{
    return foundation::UUID::newString();
}

std::string NetworkEngineAdditions::ne_urlEncodedString(std::string_view text)
{
    return foundation::percentEscape(text, foundation::kUnreservedCharacters);
}

std::string NetworkEngineAdditions::urlDecodedString(std::string_view text)
{
    // Plus signs first: a "+" that came from "%2B" was meant literally.
    std::string spaced(text);
    std::replace(spaced.begin(), spaced.end(), '+', ' ');
    return foundation::percentUnescape(spaced).value_or(std::string());
}
