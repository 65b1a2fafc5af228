#pragma once

#include "platform/kit/ImageView.h"

#include <vector>

// Frame handling shared by the gif header and footers.
namespace RefreshGifFrames {

// The frame a pull of `percent` shows: proportional, never past the last;
// a percent that is not a number shows the first.
std::size_t frameIndexForPercent(std::size_t count, double percent);

// One frame is shown still; several play over `duration` seconds.
void show(kit::ImageView& view, const std::vector<kit::ImageView::ImagePtr>& images, double duration);

} // namespace RefreshGifFrames
