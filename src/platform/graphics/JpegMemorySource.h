#pragma once

#include "platform/graphics/JpegErrorTrap.h"

#include <cstdint>
#include <span>

namespace graphics {

// Feeds libjpeg bytes that may stop short of the file's end. jpeg_mem_src
// pretends the file ends where the bytes do (a made-up end marker, grey rows
// after it); this source suspends there instead, so libjpeg answers
// JPEG_SUSPENDED, or fewer rows, and the caller keeps what really arrived.
// Nothing resumes a suspended read: more bytes mean a new decode.
struct JpegMemorySource {
    jpeg_source_mgr manager;

    // The source and the bytes must outlive the decompression reading them.
    void install(j_decompress_ptr info, std::span<const std::uint8_t> bytes);
};

// Where the bytes a decompression reads end.
enum class JpegBytes {
    // At the file's end: bytes that stop short read as a file with a made-up
    // end marker, which libjpeg warns of (jpeg_mem_src).
    Whole,
    // Anywhere: reads suspend where the bytes stop (JpegMemorySource).
    MayStopShort,
};

// Sets up a decompression of `bytes` under a JpegErrorTrap, reads the header
// and hands the decompression to `read`, which answers whether it got what it
// wanted. False too for a header that does not read and for an error libjpeg
// raised on the way. An error jumps back here over `read`'s frame, so `read`
// holds no object with a destructor.
template<typename Read>
bool readJpeg(
    std::span<const std::uint8_t> bytes, JpegBytes end, JpegErrorTrap::Warnings warnings, Read&& read)
{
    jpeg_decompress_struct info {};
    JpegErrorTrap trap {};
    JpegMemorySource source {};
    info.err = trap.install(warnings);
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    if (end == JpegBytes::Whole)
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    else
        source.install(&info, bytes);
    bool const got = jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && read(info);
    jpeg_destroy_decompress(&info);
    return got;
}

} // namespace graphics
