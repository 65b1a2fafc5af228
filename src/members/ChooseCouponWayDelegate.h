#pragma once

#include <memory>

class PreferentialWayEntity;

// Told the discount way chosen in the discount chooser.
class ChooseCouponWayDelegate {
public:
    virtual ~ChooseCouponWayDelegate() = default;
    virtual void chooseCouponWayCallback(const std::shared_ptr<PreferentialWayEntity>& way) = 0;
};
