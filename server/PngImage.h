#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace merchant {

// The images the stand-in serves: QR codes of unpaid orders and member
// portraits, as PNG bytes.
class PngImage {
public:
    // 8-bit grey or RGB pixels, row by row; "" when the pixels do not fit.
    static std::string encode(int width, int height, bool rgb, const std::vector<std::uint8_t>& pixels);
    // A QR code of the text, with a quiet zone, that a phone camera can read;
    // "" when the text is too long for a QR code.
    static std::string qrCode(const std::string& text);
    // A simple head-and-shoulders picture tinted by the number.
    static std::string portrait(int number);
};

} // namespace merchant
