#include "members/MemberPartRow.h"

#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "ui/BaseViewController.h"
#include "ui/ColorUtil.h"

std::shared_ptr<kit::Label> MemberPartRow::makeLabel(
    const char* name, const graphics::Rect& frame, graphics::TextAlignment alignment)
{
    auto label = std::make_shared<kit::Label>(frame);
    label->setName(name);
    label->setFont(graphics::Font::systemFont(15));
    label->setTextColor(ColorUtil::getUIColorByHex("34434e"));
    label->setTextAlignment(alignment);
    label->setUserInteractionEnabled(false);
    return label;
}

std::shared_ptr<kit::Button> MemberPartRow::make(BaseViewController& screen, kit::View& parent,
    const char* buttonName, const char* title, const char* labelName, std::shared_ptr<kit::Label>& label,
    double y)
{
    double width = parent.bounds().width();
    auto button
        = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 0, y, width, height });
    button->setName(buttonName);
    screen.setWhiteBtnStyle(*button);
    parent.addSubview(button);
    auto caption = makeLabel("", { 15, 11, 120, 22 }, graphics::TextAlignment::Left);
    caption->setText(title);
    button->addSubview(caption);
    // Beside the button rather than in it, so that what is chosen reads as
    // a label of its own; touches go through it to the button.
    label = makeLabel(labelName, { width - 215, y + 11, 200, 22 }, graphics::TextAlignment::Right);
    parent.addSubview(label);
    return button;
}
