#include "netengine/NEBase64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> decodingTable()
{
    std::array<std::int8_t, 256> table {};
    table.fill(-1);
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}

} // namespace

std::string NEBase64::decode(std::string_view text)
{
    static constexpr auto table = decodingTable();
    std::string out;
    out.reserve((text.size() + 3) / 4 * 3);
    std::uint32_t group = 0;
    int count = 0;
    for (char c : text) {
        auto const value = table[static_cast<unsigned char>(c)];
        if (value < 0)
            continue;
        group = (group << 6) | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            out += static_cast<char>((group >> 16) & 0xFF);
            out += static_cast<char>((group >> 8) & 0xFF);
            out += static_cast<char>(group & 0xFF);
            group = 0;
            count = 0;
        }
    }
    if (count == 3) {
        group <<= 6;
        out += static_cast<char>((group >> 16) & 0xFF);
        out += static_cast<char>((group >> 8) & 0xFF);
    } else if (count == 2) {
        group <<= 12;
        out += static_cast<char>((group >> 16) & 0xFF);
    }
    return out;
}

std::string NEBase64::encode(std::string_view bytes, bool lineBreaks)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4 + (lineBreaks ? bytes.size() / 48 * 2 : 0));
    auto byteAt
        = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        if (lineBreaks && i > 0 && i % 48 == 0)
            out += "\r\n";
        std::size_t const left = bytes.size() - i;
        std::uint32_t group = byteAt(i) << 16;
        if (left > 1)
            group |= byteAt(i + 1) << 8;
        if (left > 2)
            group |= byteAt(i + 2);
        out += alphabet[(group >> 18) & 0x3F];
        out += alphabet[(group >> 12) & 0x3F];
        out += left > 1 ? alphabet[(group >> 6) & 0x3F] : '=';
        out += left > 2 ? alphabet[group & 0x3F] : '=';
    }
    return out;
}

std::string NEBase64::dataFromBase64String(std::string_view text)
{
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return {};
    return decode(text);
}
