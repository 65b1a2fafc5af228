#include "platform/graphics/ExifReader.h"

#include <cstring>

namespace graphics {

namespace {

constexpr std::uint16_t OrientationTag = 0x0112;
constexpr std::uint16_t ShortType = 3;

class TiffView {
public:
    TiffView(std::span<const std::uint8_t> data, bool bigEndian)
        : m_data(data)
        , m_bigEndian(bigEndian)
    {
    }

    std::optional<std::uint16_t> u16(std::size_t offset) const
    {
        if (offset > m_data.size() || m_data.size() - offset < 2)
            return std::nullopt;
        std::uint16_t const a = m_data[offset], b = m_data[offset + 1];
        return static_cast<std::uint16_t>(m_bigEndian ? a << 8 | b : b << 8 | a);
    }
    std::optional<std::uint32_t> u32(std::size_t offset) const
    {
        auto high = u16(offset + (m_bigEndian ? 0 : 2));
        auto low = u16(offset + (m_bigEndian ? 2 : 0));
        if (!high || !low)
            return std::nullopt;
        return std::uint32_t(*high) << 16 | *low;
    }

private:
    std::span<const std::uint8_t> m_data;
    bool m_bigEndian;
};

std::optional<int> orientationInTiff(std::span<const std::uint8_t> tiff)
{
    if (tiff.size() < 8)
        return std::nullopt;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else
        return std::nullopt;
    TiffView const view(tiff, bigEndian);
    if (view.u16(2) != 42)
        return std::nullopt;
    auto const ifd = view.u32(4);
    if (!ifd)
        return std::nullopt;
    auto const count = view.u16(*ifd);
    if (!count)
        return std::nullopt;
    for (std::size_t i = 0; i < *count; ++i) {
        std::size_t const entry = *ifd + 2 + i * 12;
        auto const tag = view.u16(entry);
        if (!tag)
            return std::nullopt;
        if (*tag != OrientationTag)
            continue;
        if (view.u16(entry + 2) != ShortType || view.u32(entry + 4) != 1u)
            return std::nullopt;
        // A single short sits left-justified in the value field.
        auto const value = view.u16(entry + 8);
        return value ? std::optional<int>(*value) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> ExifReader::jpegOrientation(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 4 || bytes[0] != 0xff || bytes[1] != 0xd8)
        return std::nullopt;
    std::size_t position = 2;
    while (position + 4 <= bytes.size()) {
        if (bytes[position] != 0xff)
            return std::nullopt;
        std::uint8_t const marker = bytes[position + 1];
        if (marker == 0xff) {
            ++position; // fill byte
            continue;
        }
        // Start of scan or end of image: no more metadata.
        if (marker == 0xda || marker == 0xd9)
            return std::nullopt;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            position += 2;
            continue;
        }
        std::size_t const length = std::size_t(bytes[position + 2]) << 8 | bytes[position + 3];
        if (length < 2 || position + 2 + length > bytes.size())
            return std::nullopt;
        auto const segment = bytes.subspan(position + 4, length - 2);
        if (marker == 0xe1 && segment.size() >= 6 && std::memcmp(segment.data(), "Exif\0\0", 6) == 0) {
            if (auto orientation = orientationInTiff(segment.subspan(6)))
                return orientation;
        }
        position += 2 + length;
    }
    return std::nullopt;
}

} // namespace graphics
