#pragma once

#include "platform/kit/Label.h"

#include <memory>

// The look every state and time label of the refresh controls shares: bold
// 14-point dark grey text, centred, following the control's width.
std::shared_ptr<kit::Label> refreshLabel();
