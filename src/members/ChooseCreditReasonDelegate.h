#pragma once

#include <memory>

class ScoreReasonEntity;

// Told the reason chosen for a points grant.
class ChooseCreditReasonDelegate {
public:
    virtual ~ChooseCreditReasonDelegate() = default;
    virtual void chooseCreditReasonCallback(const std::shared_ptr<ScoreReasonEntity>& reason) = 0;
};
