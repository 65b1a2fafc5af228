#include "ui/GreenButton.h"

#include "platform/kit/Button.h"
#include "ui/ColorUtil.h"

void GreenButton::style(kit::Button& button)
{
    button.setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2ca612")), kit::ControlState::Normal);
    button.setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2b861b")), kit::ControlState::Highlighted);
}
