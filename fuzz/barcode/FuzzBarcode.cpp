// The code reader on arbitrary pictures, as a camera or a scripted picture gives
// them: any luma, any size up to a small cap, any rectangle of interest and any set
// of wanted kinds. Every code reported must be of a wanted kind.
//
// Input: width byte, layout and kinds bytes (3), four rectangle bytes, then luma.

#include "platform/capture/CodeReader.h"
#include "platform/capture/VideoFrame.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t header = 8;
    if (size < header + 1)
        return 0;
    // Small pictures keep each run quick; sizes past the cap say nothing new.
    int const width = 1 + data[0];
    int const height
        = static_cast<int>(std::min<std::size_t>((size - header) / static_cast<std::size_t>(width), 256));
    if (height == 0)
        return 0;
    auto const layout
        = data[1] & 1 ? capture::VideoFrame::Layout::Portrait : capture::VideoFrame::Layout::Landscape;
    std::vector<capture::MetadataObjectType> wanted;
    auto const& all = capture::allMetadataObjectTypes();
    unsigned const mask = data[2] | (data[3] << 8);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (mask & (1u << i))
            wanted.push_back(all[i]);
    }
    graphics::Rect const interest { data[4] / 255.0, data[5] / 255.0, data[6] / 128.0, data[7] / 128.0 };
    std::vector<std::uint8_t> luma(data + header, data + header + static_cast<std::size_t>(width) * height);
    auto frame = capture::VideoFrame::fromLuma(width, height, std::move(luma), layout);
    if (!frame)
        std::abort();
    for (auto const& code : capture::CodeReader::read(*frame, interest, wanted)) {
        if (std::find(wanted.begin(), wanted.end(), code.type()) == wanted.end())
            std::abort();
    }
    return 0;
}
