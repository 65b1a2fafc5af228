#pragma once

#include "platform/kit/ImageView.h"
#include "refresh/RefreshBackStateFooter.h"
#include "refresh/RefreshGifFrames.h"

#include <map>
#include <optional>
#include <vector>

// A pull-up footer with frame images: the idle frames follow the pull, the
// pulling and refreshing frames play.
class RefreshBackGifFooter : public RefreshBackStateFooter {
public:
    using Images = RefreshGifFrames::Images;

    explicit RefreshBackGifFooter(Token token);

    static std::shared_ptr<RefreshBackGifFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshBackGifFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshBackGifFooter>(target, action);
    }

    std::shared_ptr<kit::ImageView> gifView();
    const std::map<RefreshState, Images>& stateImages() const { return m_frames.stateImages(); }
    const std::map<RefreshState, double>& stateDurations() const { return m_frames.stateDurations(); }
    // Absent images are ignored; a first frame taller than the footer makes
    // the footer that tall.
    void setImages(const std::optional<Images>& images, double duration, RefreshState state);
    void setImages(const std::optional<Images>& images, RefreshState state);

    void setPullingPercent(double percent) override;
    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;

private:
    std::weak_ptr<kit::ImageView> m_gifView;
    RefreshGifFrames m_frames;
};
