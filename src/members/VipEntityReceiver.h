#pragma once

#include <memory>

class VipDetailEntity;

// A screen the member detail opens for its member. Screens that live in
// other libraries (the pass sending) are found by registered name and
// reached through this alone.
class VipEntityReceiver {
public:
    virtual ~VipEntityReceiver() = default;
    virtual void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) = 0;
};
