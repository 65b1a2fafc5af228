#pragma once

#include "cards/CouponTitleCell.h"

// A WeChat pass that can be sent: its title.
class WxCouponCell : public CouponTitleCell { };
