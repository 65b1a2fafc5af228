#pragma once

#include "platform/kit/ImageView.h"
#include "refresh/RefreshConstants.h"

#include <map>
#include <optional>
#include <vector>

// The frame images of a gif header or footer, per state, and how they are
// shown.
class RefreshGifFrames {
public:
    using Images = std::vector<kit::ImageView::ImagePtr>;

    const std::map<RefreshState, Images>& stateImages() const { return m_stateImages; }
    const std::map<RefreshState, double>& stateDurations() const { return m_stateDurations; }
    // Null when the state has no frames.
    const Images* imagesForState(RefreshState state) const;

    // Absent images are ignored. A first frame taller than `control` makes
    // the control that tall, so the frames are never cut.
    void setImages(
        const std::optional<Images>& images, double duration, RefreshState state, kit::View& control);
    // Ten frames a second.
    void setImages(const std::optional<Images>& images, RefreshState state, kit::View& control);

    // The idle frame for a pull of `percent`, shown still.
    void followPull(kit::ImageView& view, double percent) const;
    // One frame is shown still; several play over the state's duration.
    // False when the state has no frames.
    bool play(kit::ImageView& view, RefreshState state) const;

    // Proportional to the pull, never past the last frame; a percent that is
    // not a number gives the first.
    static std::size_t frameIndexForPercent(std::size_t count, double percent);

private:
    std::map<RefreshState, Images> m_stateImages;
    std::map<RefreshState, double> m_stateDurations;
};
