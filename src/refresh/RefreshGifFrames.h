#pragma once

#include "platform/kit/ImageView.h"
#include "refresh/RefreshConstants.h"

#include <map>
#include <memory>
#include <optional>
#include <vector>

// The frame images of a gif header or footer, per state, and the view that
// shows them. The view is made on first use as a subview of the control,
// which owns this object; one taken out of the control is made again.
class RefreshGifFrames {
public:
    using Images = std::vector<kit::ImageView::ImagePtr>;

    explicit RefreshGifFrames(kit::View& control)
        : m_control(control)
    {
    }

    std::shared_ptr<kit::ImageView> gifView();

    const std::map<RefreshState, Images>& stateImages() const { return m_stateImages; }
    const std::map<RefreshState, double>& stateDurations() const { return m_stateDurations; }
    // Null when the state has no frames.
    const Images* imagesForState(RefreshState state) const;

    // Absent images are ignored. A first frame taller than the control makes
    // the control that tall, so the frames are never cut.
    void setImages(const std::optional<Images>& images, double duration, RefreshState state);
    // Ten frames a second.
    void setImages(const std::optional<Images>& images, RefreshState state);

    // The idle frame for a pull of `percent`, shown still; nothing without
    // idle frames.
    void followPull(double percent);
    // One frame is shown still; several play over the state's duration.
    // False when the state has no frames.
    bool play(RefreshState state);
    // Unhides the view too, for footers that hide it between loads; nothing
    // happens when the state has no frames.
    void showPlaying(RefreshState state);

    // The whole control when no text is shown; otherwise right-aligned in
    // the left part, so the frames sit beside the text.
    void place(bool textShown);

    // Proportional to the pull, never past the last frame; a percent that is
    // not a number gives the first.
    static std::size_t frameIndexForPercent(std::size_t count, double percent);

private:
    kit::View& m_control;
    std::weak_ptr<kit::ImageView> m_gifView;
    std::map<RefreshState, Images> m_stateImages;
    std::map<RefreshState, double> m_stateDurations;
};
