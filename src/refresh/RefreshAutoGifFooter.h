#pragma once

#include "platform/kit/ImageView.h"
#include "refresh/RefreshAutoStateFooter.h"
#include "refresh/RefreshGifFrames.h"

#include <map>
#include <optional>
#include <vector>

// An automatic footer that plays frame images while it loads.
class RefreshAutoGifFooter : public RefreshAutoStateFooter {
public:
    using Images = RefreshGifFrames::Images;

    explicit RefreshAutoGifFooter(Token token);

    static std::shared_ptr<RefreshAutoGifFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshAutoGifFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshAutoGifFooter>(target, action);
    }

    std::shared_ptr<kit::ImageView> gifView();
    const std::map<RefreshState, Images>& stateImages() const { return m_frames.stateImages(); }
    const std::map<RefreshState, double>& stateDurations() const { return m_frames.stateDurations(); }
    // Absent images are ignored; a first frame taller than the footer makes
    // the footer that tall.
    void setImages(const std::optional<Images>& images, double duration, RefreshState state);
    void setImages(const std::optional<Images>& images, RefreshState state);

    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;

private:
    std::weak_ptr<kit::ImageView> m_gifView;
    RefreshGifFrames m_frames;
};
