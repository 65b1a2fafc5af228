#include "members/ChoosePreferentialWayViewController.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "api/URLConfig.h"
#include "members/ChoosePreferentialCell.h"
#include "members/ChoosePreferentialHeader.h"
#include "members/VipConsumePricing.h"
#include "model/PreferentialWayEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Strings.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TableView.h"
#include "ui/SingleChoiceList.h"
#include "ui/TitleLabel.h"

namespace {

std::shared_ptr<PreferentialWayEntity> cardDiscountWay()
{
    auto way = std::make_shared<PreferentialWayEntity>();
    way->setType(VipConsumePricing::cardDiscountType);
    return way;
}

} // namespace

void ChoosePreferentialWayViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    initNavigatonBackButton();
    screenAdapter();
    getPreferentialWay();
}

void ChoosePreferentialWayViewController::initViews()
{
    navigationItem()->setTitleView(TitleLabel::make("优惠折扣"));
    auto root = view();
    root->setBackgroundColor(graphics::Color::white());
    double width = root->bounds().width();
    std::weak_ptr<ChoosePreferentialWayViewController> weak = selfChooser();
    m_choices = SingleChoiceList::create([weak](long section, long row, bool checked) {
        if (auto strong = weak.lock())
            strong->choose(section, row, checked);
    });
    m_tableViewPreferential
        = std::make_shared<kit::TableView>(graphics::Rect { 0, 64, width, root->bounds().height() - 64 });
    m_tableViewPreferential->setName("tableViewPreferential");
    m_tableViewPreferential->setDataSource(selfChooser());
    m_tableViewPreferential->setDelegate(selfChooser());
    m_tableViewPreferential->registerCellFactory(
        ChoosePreferentialCell::reuseIdentifier, [] { return std::make_shared<ChoosePreferentialCell>(); });
    m_tableViewPreferential->setTableFooterView(SingleChoiceList::makeFooter(width, [weak] {
        if (auto strong = weak.lock())
            strong->btnOk();
    }));
    root->addSubview(m_tableViewPreferential);
}

void ChoosePreferentialWayViewController::getPreferentialWay()
{
    NetUtilSign::Parameters parameters;
    parameters["memberid"] = m_vipEntity ? m_vipEntity->id().value_or("") : std::string();
    std::weak_ptr<ChoosePreferentialWayViewController> weak = selfChooser();
    NetUtilSign::doPost(URLConfig::GET_COUPON, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
        [weak](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleCoupons(reply);
        });
}

void ChoosePreferentialWayViewController::handleCoupons(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        m_sectionCount = 1;
        return;
    }
    const auto& data = JsonUtil::data(reply);
    // Without coupons there is no coupon section, however soon the list is
    // first laid out.
    if (!data.is_array() || data.empty())
        return;
    m_sectionCount = 2;
    for (const auto& item : data)
        m_couponArray.push_back(PreferentialWayEntity::initWithJSON(item));
    m_tableViewPreferential->reloadData();
}

int ChoosePreferentialWayViewController::tableViewNumberOfRowsInSection(kit::TableView&, int section)
{
    return section == 0 ? 1 : static_cast<int>(m_couponArray.size());
}

std::shared_ptr<kit::View> ChoosePreferentialWayViewController::tableViewViewForHeaderInSection(
    kit::TableView&, int section)
{
    auto header = std::make_shared<ChoosePreferentialHeader>();
    header->labelName()->setText(section == 0 ? "会员折扣" : "优惠劵");
    return header;
}

std::shared_ptr<kit::TableViewCell> ChoosePreferentialWayViewController::tableViewCellForRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    auto cell = std::dynamic_pointer_cast<ChoosePreferentialCell>(
        tableView.dequeueReusableCellWithIdentifier(ChoosePreferentialCell::reuseIdentifier, indexPath));
    if (!cell)
        return cell;
    cell->setSelectionStyle(kit::TableViewCellSelectionStyle::Default);
    cell->setClipsToBounds(true);
    cell->setSeparatorInset({ 0, 0, 0, 0 });
    bool checked = false;
    int tag = indexPath.row;
    if (indexPath.section == 0) {
        tag = -1;
        cell->ivIcon()->setImage(graphics::Image::named("IconVipDiscount"));
        cell->labelCouponTitle()->setText(m_vipEntity ? m_vipEntity->cardname() : std::nullopt);
        cell->labelDiscountSize()->setText(
            foundation::describe(m_vipEntity ? m_vipEntity->discountrate() : std::nullopt) + "折");
        // The card discount is the choice until another is made.
        if (!m_currentEntity)
            m_currentEntity = cardDiscountWay();
        checked = VipConsumePricing::isCardDiscount(*m_currentEntity);
    } else if (static_cast<std::size_t>(indexPath.row) < m_couponArray.size()) {
        const auto& coupon = *m_couponArray[static_cast<std::size_t>(indexPath.row)];
        bool cashOff = VipConsumePricing::isCashOff(coupon.type());
        cell->ivIcon()->setImage(
            graphics::Image::named(cashOff ? "IconPreferentialCardRed" : "IconPreferentialCardGreen"));
        cell->labelDiscountSize()->setText("满" + foundation::describe(coupon.conditionprice()) + "元");
        cell->labelCouponTitle()->setText(cashOff ? foundation::describe(coupon.title()) + "（抵"
                    + foundation::describe(coupon.discountmoney()) + "元）"
                                                  : coupon.title().value_or(""));
        checked = m_currentEntity && m_currentEntity->id() && m_currentEntity->id() == coupon.id()
            && !VipConsumePricing::isCardDiscount(*m_currentEntity);
    }
    m_choices->attach(*cell, indexPath, checked, tag, view()->bounds().width(), 50);
    return cell;
}

void ChoosePreferentialWayViewController::tableViewDidSelectRowAtIndexPath(
    kit::TableView& tableView, kit::IndexPath indexPath)
{
    tableView.deselectRowAtIndexPath(indexPath, true);
    // A row chosen by the list itself (a scripted tap) does what a finger
    // on the row's tap area does.
    m_choices->toggleRow(indexPath);
}

void ChoosePreferentialWayViewController::choose(long section, long row, bool checked)
{
    if (!checked)
        m_currentEntity = nullptr;
    else if (section == 0)
        m_currentEntity = cardDiscountWay();
    else if (row >= 0 && static_cast<std::size_t>(row) < m_couponArray.size())
        m_currentEntity = m_couponArray[static_cast<std::size_t>(row)];
}

void ChoosePreferentialWayViewController::btnOk()
{
    if (!SingleChoiceList::confirm(m_currentEntity != nullptr, "请选择优惠券！"))
        return;
    if (auto delegate = m_delegate.lock())
        delegate->chooseCouponWayCallback(m_currentEntity);
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}
