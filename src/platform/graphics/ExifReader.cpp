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

    std::optional<std::uint16_t> u16(std::uint64_t offset) const
    {
        if (offset > m_data.size() || m_data.size() - offset < 2)
            return std::nullopt;
        std::uint16_t const a = m_data[offset], b = m_data[offset + 1];
        return static_cast<std::uint16_t>(m_bigEndian ? a << 8 | b : b << 8 | a);
    }
    // Widened, so that a classic file's 4-byte fields read as a big one's.
    std::optional<std::uint64_t> word(std::uint64_t offset, bool big) const
    {
        if (big)
            return u64(offset);
        auto const value = u32(offset);
        return value ? std::optional<std::uint64_t>(*value) : std::nullopt;
    }
    std::optional<std::uint32_t> u32(std::uint64_t offset) const
    {
        auto high = u16(offset + (m_bigEndian ? 0 : 2));
        auto low = u16(offset + (m_bigEndian ? 2 : 0));
        if (!high || !low)
            return std::nullopt;
        return std::uint32_t(*high) << 16 | *low;
    }
    std::optional<std::uint64_t> u64(std::uint64_t offset) const
    {
        auto high = u32(offset + (m_bigEndian ? 0 : 4));
        auto low = u32(offset + (m_bigEndian ? 4 : 0));
        if (!high || !low)
            return std::nullopt;
        return std::uint64_t(*high) << 32 | *low;
    }

private:
    std::span<const std::uint8_t> m_data;
    bool m_bigEndian;
};

// The orientation entry of the first directory. A classic file has 2-byte
// entry counts, 12-byte entries and 4-byte counts and offsets; a big one
// (version 43) 8-byte counts, 20-byte entries and 8-byte counts and offsets.
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
    auto const version = view.u16(2);
    if (version != 42 && version != 43)
        return std::nullopt;
    bool const big = version == 43;
    auto const ifd = view.word(big ? 8 : 4, big);
    if (!ifd)
        return std::nullopt;
    std::optional<std::uint64_t> count;
    if (big)
        count = view.u64(*ifd);
    else if (auto const classic = view.u16(*ifd))
        count = *classic;
    if (!count)
        return std::nullopt;
    std::uint64_t const first = *ifd + (big ? 8 : 2);
    std::uint64_t const entrySize = big ? 20 : 12;
    for (std::uint64_t i = 0; i < *count; ++i) {
        std::uint64_t const entry = first + i * entrySize;
        auto const tag = view.u16(entry);
        if (!tag)
            return std::nullopt;
        if (*tag != OrientationTag)
            continue;
        auto const values = view.word(entry + 4, big);
        if (view.u16(entry + 2) != ShortType || values != 1u)
            return std::nullopt;
        // A single short sits left-justified in the value field.
        auto const value = view.u16(entry + (big ? 12 : 8));
        return value ? std::optional<int>(*value) : std::nullopt;
    }
    return std::nullopt;
}

// The EXIF chunk of an extended WebP file: a TIFF block, with or without
// the "Exif" prefix a JPEG gives it.
std::optional<int> orientationInWebP(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0
        || std::memcmp(bytes.data() + 8, "WEBP", 4) != 0)
        return std::nullopt;
    std::size_t position = 12;
    while (bytes.size() - position >= 8) {
        auto const header = bytes.subspan(position, 8);
        std::uint64_t const size = std::uint32_t(header[4]) | std::uint32_t(header[5]) << 8
            | std::uint32_t(header[6]) << 16 | std::uint32_t(header[7]) << 24;
        if (size > bytes.size() - position - 8)
            return std::nullopt;
        auto const payload = bytes.subspan(position + 8, size);
        if (std::memcmp(header.data(), "EXIF", 4) == 0) {
            if (payload.size() >= 6 && std::memcmp(payload.data(), "Exif\0\0", 6) == 0)
                return orientationInTiff(payload.subspan(6));
            return orientationInTiff(payload);
        }
        // Chunks are padded to an even length.
        position += 8 + size + (size & 1);
        if (position > bytes.size())
            return std::nullopt;
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

std::optional<int> ExifReader::orientation(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() >= 2 && bytes[0] == 0xff && bytes[1] == 0xd8)
        return jpegOrientation(bytes);
    if (bytes.size() >= 4 && bytes[0] == 'R')
        return orientationInWebP(bytes);
    return orientationInTiff(bytes);
}

} // namespace graphics
