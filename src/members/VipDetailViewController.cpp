#include "members/VipDetailViewController.h"

#include "api/DateUtil.h"
#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/StatusToStringUtils.h"
#include "api/URLConfig.h"
#include "members/MemberBaseInfoCell.h"
#include "members/MemberCardView.h"
#include "members/MemberPortrait.h"
#include "members/VipEntityReceiver.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Registry.h"
#include "platform/kit/TableView.h"
#include "ui/ColorUtil.h"
#include "ui/GreenButton.h"
#include "ui/PromptUtil.h"
#include "ui/TitleLabel.h"

namespace {

constexpr double photoSize = 60;

struct FieldRow {
    const char* title;
    std::optional<std::string> (*value)(const VipDetailEntity&);
};

std::optional<std::string> lastExpense(const VipDetailEntity& member)
{
    const auto& time = member.lastexpensetime();
    if (!time || foundation::utf16Length(*time) < 6)
        return std::nullopt;
    return DateUtil::timestampToString(foundation::longLongValue(*time));
}

const FieldRow fieldRows[VipDetailViewController::fieldRowCount] = {
    { "QQ", [](const VipDetailEntity& m) { return m.qq(); } },
    { "生日", [](const VipDetailEntity& m) { return m.birthday(); } },
    { "联系电话", [](const VipDetailEntity& m) { return m.tel(); } },
    { "联系地址", [](const VipDetailEntity& m) { return m.address(); } },
    { "消费次数", [](const VipDetailEntity& m) { return m.expensecount(); } },
    { "上次消费时间", lastExpense },
    { "推荐人ID", [](const VipDetailEntity& m) { return m.refererid(); } },
    { "备注", [](const VipDetailEntity& m) { return m.remarks(); } },
};

} // namespace

void VipDetailViewController::open(
    const std::shared_ptr<kit::NavigationController>& navigation, const std::string& cardnum)
{
    auto detail = kit::Registry::shared().instantiate<VipDetailViewController>(std::string(nibName));
    if (!detail || !navigation)
        return;
    detail->setHidesBottomBarWhenPushed(true);
    detail->setCardnum(cardnum);
    navigation->pushViewController(detail, true);
}

void VipDetailViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void VipDetailViewController::viewWillAppear(bool animated)
{
    // Not the base step: the bar stays transparent over the card, and this
    // screen is never recorded as the current one.
    kit::ViewController::viewWillAppear(animated);
    getVipInfo();
    MemberCardView::applyTransparentBar(*this);
}

std::shared_ptr<kit::Label> VipDetailViewController::addLabel(kit::View& parent, const char* name,
    const graphics::Rect& frame, double fontSize, graphics::TextAlignment alignment)
{
    auto label = std::make_shared<kit::Label>(frame);
    label->setName(name);
    label->setFont(graphics::Font::systemFont(fontSize));
    label->setTextColor(graphics::Color::white());
    label->setTextAlignment(alignment);
    parent.addSubview(label);
    return label;
}

std::shared_ptr<kit::Button> VipDetailViewController::addActionButton(
    const char* name, const char* title, double x, double y, double w)
{
    auto button = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { x, y, w, 40 });
    button->setName(name);
    button->setTitle(title, kit::ControlState::Normal);
    button->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    button->setTitleColor(ColorUtil::getUIColorByHex("dfdfdf"), kit::ControlState::Disabled);
    button->titleLabel()->setFont(graphics::Font::systemFont(15));
    setBtnStyle(*button);
    button->addTarget(selfDetail(), &VipDetailViewController::btnClick, kit::ControlEvent::TouchUpInside);
    // Nothing to act on until the member has loaded.
    button->setEnabled(false);
    view()->addSubview(button);
    return button;
}

void VipDetailViewController::initViews()
{
    initNavigatonBackButton();
    navigationItem()->setTitleView(TitleLabel::make("会员详情"));
    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    double width = root->bounds().width();

    constexpr double cardHeight = 230;
    m_ivBg = std::make_shared<kit::ImageView>(graphics::Rect { 0, 0, width, cardHeight });
    m_ivBg->setName("ivBg");
    m_ivBg->setBackgroundColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_ivBg->setImage(graphics::Image::named("BgVipDetail"));
    root->addSubview(m_ivBg);
    m_ivVipPhoto = std::make_shared<kit::ImageView>(graphics::Rect { 15, 74, photoSize, photoSize });
    m_ivVipPhoto->setName("ivVipPhoto");
    root->addSubview(m_ivVipPhoto);
    m_labelUserName = addLabel(*root, "labelUserName", { 90, 78, 150, 24 }, 18);
    m_labelVipNum = addLabel(*root, "labelVipNum", { 90, 104, 200, 20 }, 13);
    m_labelVipStatus
        = addLabel(*root, "labelVipStatus", { width - 80, 78, 65, 24 }, 14, graphics::TextAlignment::Right);
    double third = width / 3;
    m_labelVipMoney
        = addLabel(*root, "labelVipMoney", { 0, 146, third, 24 }, 17, graphics::TextAlignment::Center);
    m_labelFreeMoney
        = addLabel(*root, "labelFreeMoney", { third, 146, third, 24 }, 17, graphics::TextAlignment::Center);
    m_labelVipPoint = addLabel(
        *root, "labelVipPoint", { 2 * third, 146, third, 24 }, 17, graphics::TextAlignment::Center);
    const char* captions[] = { "余额", "赠送余额", "积分" };
    for (int i = 0; i < 3; ++i) {
        auto caption
            = addLabel(*root, "", { third * i, 170, third, 18 }, 12, graphics::TextAlignment::Center);
        caption->setText(captions[i]);
    }
    m_labelGetCardDate = addLabel(*root, "labelGetCardDate", { 15, 198, width / 2 - 15, 20 }, 12);
    m_labelCardTimeOut = addLabel(*root, "labelCardTimeOut", { width / 2, 198, width / 2 - 15, 20 }, 12,
        graphics::TextAlignment::Right);

    double gap = 6;
    double buttonWidth = (width - gap * 5) / 4;
    double buttonsY = cardHeight + 8;
    m_btnVipConsume = addActionButton("btnVipConsume", "消费", gap, buttonsY, buttonWidth);
    m_btnVipRecharge
        = addActionButton("btnVipRecharge", "充值", gap * 2 + buttonWidth, buttonsY, buttonWidth);
    m_btnAddCredit
        = addActionButton("btnAddCredit", "积分", gap * 3 + buttonWidth * 2, buttonsY, buttonWidth);
    m_btnSendCard
        = addActionButton("btnSendCard", "发卡券", gap * 4 + buttonWidth * 3, buttonsY, buttonWidth);

    double tableY = buttonsY + 48;
    m_tableView = std::make_shared<kit::TableView>(
        graphics::Rect { 0, tableY, width, root->bounds().height() - tableY });
    m_tableView->setName("tableView");
    m_tableView->setDataSource(selfDetail());
    m_tableView->setDelegate(selfDetail());
    m_tableView->registerCellFactory(
        MemberBaseInfoCell::reuseIdentifier, [] { return std::make_shared<MemberBaseInfoCell>(); });
    // Eight rows of 46 points do not fit under the card on a 568-point screen.
    m_tableView->setScrollEnabled(true);
    root->addSubview(m_tableView);
}

void VipDetailViewController::setBtnStyle(kit::Button& button)
{
    GreenButton::style(button);
}

void VipDetailViewController::getVipInfo()
{
    NetUtilSign::Parameters parameters;
    parameters["cardnum"] = m_cardnum;
    std::weak_ptr<VipDetailViewController> weak = selfDetail();
    NetUtilSign::doPost(URLConfig::GET_USER_INFO, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
        [weak](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleVipInfo(reply);
        });
}

void VipDetailViewController::handleVipInfo(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    const auto& data = JsonUtil::data(reply);
    if (!data.is_object() || data.empty())
        return;
    m_vipEntity = VipDetailEntity::initWithJSON(data);
    m_tableView->reloadData();
    showMember();
}

void VipDetailViewController::showMember()
{
    const auto& member = *m_vipEntity;
    m_labelUserName->setText(member.truename());
    m_labelVipNum->setText(member.cardnum());
    MemberPortrait::show(*m_ivVipPhoto, member.portrait());
    m_ivVipPhoto->layer().setCornerRadius(m_ivVipPhoto->bounds().width() / 2);
    m_ivVipPhoto->setClipsToBounds(true);
    m_ivVipPhoto->layer().setBorderWidth(1.5);
    m_ivVipPhoto->layer().setBorderColor(graphics::Color::white());
    m_labelVipMoney->setText(foundation::formatFixed(foundation::doubleValue(member.money()), 2));
    m_labelFreeMoney->setText(foundation::formatFixed(foundation::doubleValue(member.freemoney()), 2));
    m_labelVipPoint->setText(member.score());
    m_labelVipStatus->setText(StatusToStringUtils::getVipStatusString(foundation::intValue(member.status())));
    m_labelGetCardDate->setText(
        DateUtil::timestampToStringDate(foundation::longLongValue(member.getcardtime())));
    m_labelCardTimeOut->setText(member.expiredate() == "0"
            ? std::string("无")
            : DateUtil::timestampToStringDate(foundation::longLongValue(member.expiredate())));
    for (const auto& button : { m_btnVipConsume, m_btnVipRecharge, m_btnAddCredit, m_btnSendCard })
        button->setEnabled(true);
}

void VipDetailViewController::btnClick(kit::Control& sender)
{
    const char* screen = nullptr;
    if (&sender == m_btnVipConsume.get())
        screen = "VipConsumeViewController";
    else if (&sender == m_btnVipRecharge.get())
        screen = "VipRechargeViewController";
    else if (&sender == m_btnAddCredit.get())
        screen = "GiveCreditViewController";
    else if (&sender == m_btnSendCard.get())
        screen = "SendCardViewController";
    auto navigation = navigationController();
    if (!screen || !m_vipEntity || !navigation)
        return;
    auto next = kit::Registry::shared().instantiate(screen);
    auto receiver = std::dynamic_pointer_cast<VipEntityReceiver>(next);
    if (!receiver)
        return;
    receiver->setVipEntity(m_vipEntity);
    navigation->pushViewController(next, true);
}

int VipDetailViewController::tableViewNumberOfRowsInSection(kit::TableView&, int)
{
    return fieldRowCount;
}

std::optional<double> VipDetailViewController::tableViewHeightForRowAtIndexPath(
    kit::TableView&, kit::IndexPath)
{
    return 46;
}

std::shared_ptr<kit::TableViewCell> VipDetailViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = std::dynamic_pointer_cast<MemberBaseInfoCell>(
        tableView.dequeueReusableCellWithIdentifier(MemberBaseInfoCell::reuseIdentifier, indexPath));
    if (!cell || indexPath.row < 0 || indexPath.row >= fieldRowCount)
        return cell;
    cell->setSelectionStyle(kit::TableViewCellSelectionStyle::None);
    const auto& row = fieldRows[indexPath.row];
    cell->labelTitle()->setText(row.title);
    // Cleared when there is nothing to show: a reused cell must not show
    // another field's value.
    auto value = m_vipEntity ? row.value(*m_vipEntity) : std::nullopt;
    cell->labelValue()->setText(value.value_or(""));
    return cell;
}
