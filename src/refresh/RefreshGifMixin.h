#pragma once

#include "platform/kit/ImageView.h"
#include "refresh/RefreshGifFrames.h"

#include <map>
#include <memory>
#include <optional>

// What the gif header and footers add to the state control each extends:
// frame images per state and the view that shows them. Each variant decides
// when the frames follow the pull or play.
template<class StateControl> class RefreshGifMixin : public StateControl {
public:
    using Images = RefreshGifFrames::Images;

    using StateControl::StateControl;

    std::shared_ptr<kit::ImageView> gifView() { return m_frames.gifView(); }
    const std::map<RefreshState, Images>& stateImages() const { return m_frames.stateImages(); }
    const std::map<RefreshState, double>& stateDurations() const { return m_frames.stateDurations(); }

    // Absent images are ignored. A first frame taller than the control makes
    // the control that tall.
    void setImages(const std::optional<Images>& images, double duration, RefreshState state)
    {
        m_frames.setImages(images, duration, state);
    }
    // Plays at ten frames a second.
    void setImages(const std::optional<Images>& images, RefreshState state)
    {
        m_frames.setImages(images, state);
    }

protected:
    RefreshGifFrames m_frames { *this };
};
