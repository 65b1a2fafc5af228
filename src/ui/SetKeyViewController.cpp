#include "ui/SetKeyViewController.h"

#include "platform/kit/Button.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TextField.h"
#include "ui/ColorUtil.h"

void SetKeyViewController::loadView()
{
    auto bounds = kit::Screen::mainScreen().bounds();
    auto root = std::make_shared<kit::View>(bounds);
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F4F4F4"));
    setView(root);
    struct Field {
        std::shared_ptr<kit::TextField>& field;
        const char* name;
        const char* placeholder;
    };
    Field const fields[] = {
        { m_tvReceivableKey, "tvReceivableKey", "请输入收款key" },
        { m_tvReceivableKeyEncrypt, "tvReceivableKeyEncrypt", "请输入收款加密key" },
        { m_tvMemberKey, "tvMemberKey", "请输入商家key" },
        { m_tvMemberKeyEncrypt, "tvMemberKeyEncrypt", "请输入商家加密key" },
    };
    double y = 84;
    for (const auto& [field, name, placeholder] : fields) {
        field = std::make_shared<kit::TextField>(graphics::Rect { 20, y, bounds.width() - 40, 44 });
        field->setName(name);
        field->setPlaceholder(placeholder);
        field->setBorderStyle(kit::TextBorderStyle::RoundedRect);
        root->addSubview(field);
        y += 56;
    }
    m_btnOk = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { 20, y + 10, bounds.width() - 40, 44 });
    m_btnOk->setName("btnOk");
    m_btnOk->setTitle("确定", kit::ControlState::Normal);
    m_btnOk->setBackgroundColor(ColorUtil::getUIColorByHex("2ca612"));
    root->addSubview(m_btnOk);
}

void SetKeyViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    setTitle("设置key");
    initNavigatonBackButton();
}
