#pragma once

#include "platform/kit/ImageView.h"
#include "refresh/RefreshAutoStateFooter.h"

#include <map>
#include <optional>
#include <vector>

// An automatic footer that plays frame images while it loads.
class RefreshAutoGifFooter : public RefreshAutoStateFooter {
public:
    using Images = std::vector<kit::ImageView::ImagePtr>;

    explicit RefreshAutoGifFooter(Token token);

    static std::shared_ptr<RefreshAutoGifFooter> footerWithRefreshingBlock(RefreshingBlock block);
    template<class Target>
    static std::shared_ptr<RefreshAutoGifFooter> footerWithRefreshingTarget(
        const std::shared_ptr<Target>& target, void (Target::*action)(RefreshComponent&))
    {
        return makeWithTarget<RefreshAutoGifFooter>(target, action);
    }

    std::shared_ptr<kit::ImageView> gifView();
    const std::map<RefreshState, Images>& stateImages() const { return m_stateImages; }
    const std::map<RefreshState, double>& stateDurations() const { return m_stateDurations; }
    // Absent images are ignored; a first frame taller than the footer makes
    // the footer that tall.
    void setImages(const std::optional<Images>& images, double duration, RefreshState state);
    void setImages(const std::optional<Images>& images, RefreshState state);

    void setState(RefreshState state) override;

protected:
    void placeSubviews() override;

private:
    std::weak_ptr<kit::ImageView> m_gifView;
    std::map<RefreshState, Images> m_stateImages;
    std::map<RefreshState, double> m_stateDurations;
};
