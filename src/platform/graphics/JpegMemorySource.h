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

} // namespace graphics
