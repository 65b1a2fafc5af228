#pragma once

#include "platform/kit/ImageView.h"
#include "refresh/RefreshGifFrames.h"
#include "refresh/RefreshStateHeader.h"

#include <map>
#include <optional>
#include <vector>

// A header that shows frame images instead of the arrow: the idle frames
// follow the pull, and the pulling and refreshing frames play.
class RefreshGifHeader : public RefreshStateHeader {
public:
    using Images = RefreshGifFrames::Images;

    explicit RefreshGifHeader(Token token);

    static std::shared_ptr<RefreshGifHeader> headerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshGifHeader> headerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshGifHeader>(target, action);
    }

    std::shared_ptr<kit::ImageView> gifView();
    const std::map<RefreshState, Images>& stateImages() const { return m_frames.stateImages(); }
    const std::map<RefreshState, double>& stateDurations() const { return m_frames.stateDurations(); }

    // Absent images are ignored. A first frame taller than the header makes
    // the header that tall.
    void setImages(const std::optional<Images>& images, double duration, RefreshState state);
    // Plays at ten frames a second.
    void setImages(const std::optional<Images>& images, RefreshState state);

    void setPullingPercent(double percent) override;
    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;

private:
    std::weak_ptr<kit::ImageView> m_gifView;
    RefreshGifFrames m_frames;
};
