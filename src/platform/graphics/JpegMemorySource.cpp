#include "platform/graphics/JpegMemorySource.h"

#include <algorithm>

namespace graphics {

namespace {

void initSource(j_decompress_ptr)
{
}

// Everything there is was handed over at once: asking for more suspends.
boolean fillInputBuffer(j_decompress_ptr)
{
    return FALSE;
}

void skipInputData(j_decompress_ptr info, long count)
{
    jpeg_source_mgr* source = info->src;
    if (count <= 0)
        return;
    // Past the end, the skip empties the buffer; the next read suspends.
    std::size_t const skipped = std::min<std::size_t>(static_cast<std::size_t>(count), source->bytes_in_buffer);
    source->next_input_byte += skipped;
    source->bytes_in_buffer -= skipped;
}

void termSource(j_decompress_ptr)
{
}

} // namespace

void JpegMemorySource::install(j_decompress_ptr info, std::span<const std::uint8_t> bytes)
{
    manager.init_source = initSource;
    manager.fill_input_buffer = fillInputBuffer;
    manager.skip_input_data = skipInputData;
    manager.resync_to_restart = jpeg_resync_to_restart;
    manager.term_source = termSource;
    manager.next_input_byte = bytes.data();
    manager.bytes_in_buffer = bytes.size();
    info->src = &manager;
}

} // namespace graphics
