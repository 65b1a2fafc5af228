#include "cards/PassDetailViewController.h"

#include "platform/kit/Label.h"
#include "platform/kit/NavigationItem.h"
#include "ui/ColorUtil.h"
#include "ui/TitleLabel.h"

namespace {

constexpr double rowHeight = 36;

} // namespace

void PassDetailViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
}

void PassDetailViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("卡券详情"));
    view()->setBackgroundColor(graphics::Color::white());
    m_nextRowY = 64 + 10;
    addRows();
}

std::shared_ptr<kit::Label> PassDetailViewController::addRow(const char* caption, const char* name)
{
    auto root = view();
    double width = root->bounds().width();
    auto title = std::make_shared<kit::Label>(graphics::Rect { 15, m_nextRowY, 90, rowHeight });
    title->setText(caption);
    title->setFont(graphics::Font::systemFont(14));
    title->setTextColor(ColorUtil::getUIColorByHex("888888"));
    root->addSubview(title);
    auto value = std::make_shared<kit::Label>(graphics::Rect { 105, m_nextRowY, width - 120, rowHeight });
    value->setName(name);
    value->setFont(graphics::Font::systemFont(14));
    value->setTextColor(ColorUtil::getUIColorByHex("34434e"));
    root->addSubview(value);
    m_nextRowY += rowHeight;
    return value;
}
