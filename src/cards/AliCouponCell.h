#pragma once

#include "cards/CouponTitleCell.h"

// An Alipay pass that can be sent: its title and market price.
class AliCouponCell : public CouponTitleCell { };
