#include "cards/CardVolumeStatisticViewController.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "api/URLConfig.h"
#include "cards/CardVolumnRecordViewController.h"
#include "cards/PassTypeTiles.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "ui/ColorUtil.h"
#include "ui/PromptUtil.h"

namespace {

constexpr double tilesTop = 64;
constexpr double inputTop = tilesTop + PassTypeTiles::height + 8;
constexpr double inputHeight = 36;
constexpr double tabBarHeight = 49;

} // namespace

void CardVolumeStatisticViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    initViews();
    screenAdapter();
}

void CardVolumeStatisticViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    if (checkUserIsLogin() && checkMemberKeyExists() && datas().empty())
        getCouponSendRecord();
}

void CardVolumeStatisticViewController::initViews()
{
    navigationItem()->setTitleView(std::make_shared<kit::ImageView>(graphics::Image::named("IndexLogo")));
    auto records = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 0, 0, 60, 44 });
    records->setName("btnRecords");
    records->setImage(graphics::Image::named("IconBillList"), kit::ControlState::Normal);
    records->setImage(graphics::Image::named("IconBillListOn"), kit::ControlState::Highlighted);
    records->setImage(graphics::Image::named("IconBillListOn"), kit::ControlState::Selected);
    records->addTarget(selfStatistic(), &CardVolumeStatisticViewController::toCardVolumeRecordUI,
        kit::ControlEvent::TouchUpInside);
    navigationItem()->setRightBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-25), std::make_shared<kit::BarButtonItem>(records) });

    auto root = view();
    root->setBackgroundColor(ColorUtil::getUIColorByHex("F5F3F2"));
    double width = root->bounds().width();

    m_inputViewContainer
        = std::make_shared<kit::View>(graphics::Rect { 10, inputTop, width - 130, inputHeight });
    m_inputViewContainer->setName("inputViewContainer");
    m_inputViewContainer->setBackgroundColor(graphics::Color::white());
    m_inputViewContainer->layer().setCornerRadius(3);
    m_inputViewContainer->setClipsToBounds(true);
    m_inputViewContainer->layer().setBorderWidth(0.5);
    m_inputViewContainer->layer().setBorderColor(ColorUtil::getUIColorByHex("3AAA24"));
    root->addSubview(m_inputViewContainer);
    m_tvCardCode = std::make_shared<kit::TextField>(graphics::Rect { 6, 0, width - 142, inputHeight });
    m_tvCardCode->setName("tvCardCode");
    m_tvCardCode->setPlaceholder("请输入核销码");
    m_tvCardCode->setDelegate(self());
    m_inputViewContainer->addSubview(m_tvCardCode);

    m_btnScan = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { width - 115, inputTop, 50, inputHeight });
    m_btnScan->setName("btnScan");
    m_btnScan->setImage(graphics::Image::named("IconTopScan"), kit::ControlState::Normal);
    m_btnScan->setImage(graphics::Image::named("IconTopScanOn"), kit::ControlState::Highlighted);
    m_btnScan->setBackgroundColor(ColorUtil::getUIColorByHex("3AAA24"));
    m_btnScan->addTarget(
        selfStatistic(), &CardVolumeStatisticViewController::toScanUI, kit::ControlEvent::TouchUpInside);
    root->addSubview(m_btnScan);

    m_btnOk = std::make_shared<kit::Button>(
        kit::ButtonType::Custom, graphics::Rect { width - 60, inputTop, 50, inputHeight });
    m_btnOk->setName("btnOk");
    m_btnOk->setTitle("核销", kit::ControlState::Normal);
    m_btnOk->setTitleColor(graphics::Color::white(), kit::ControlState::Normal);
    m_btnOk->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2ca612")), kit::ControlState::Normal);
    m_btnOk->setBackgroundImage(
        ColorUtil::getUIImageByUIColor(ColorUtil::getUIColorByHex("2b861b")), kit::ControlState::Highlighted);
    m_btnOk->addTarget(selfStatistic(), &CardVolumeStatisticViewController::searchCardVolume,
        kit::ControlEvent::TouchUpInside);
    root->addSubview(m_btnOk);

    buildLog(tilesTop, root->bounds().height() - tabBarHeight);
    // The log sits below the code row, not right under the tiles.
    auto frame = tableView()->frame();
    double tableTop = inputTop + inputHeight + 8;
    tableView()->setFrame({ 0, tableTop, width, frame.maxY() - tableTop });
}

bool CardVolumeStatisticViewController::signedInWithMemberKey()
{
    if (!checkUserIsLogin()) {
        toLogin();
        return false;
    }
    return checkMemberKeyExists();
}

void CardVolumeStatisticViewController::pullRefused()
{
    if (!checkUserIsLogin())
        toLogin();
}

bool CardVolumeStatisticViewController::mayOpenRecord()
{
    if (!checkUserIsLogin()) {
        toLogin();
        return false;
    }
    return true;
}

NetUtilSign::Parameters CardVolumeStatisticViewController::logParameters(bool firstPage) const
{
    // Only used passes: the tab is the log of what was written off.
    NetUtilSign::Parameters parameters;
    std::string page = std::to_string(this->page());
    if (couponType() == PASS_TYPE_PLAT) {
        parameters["passtype"] = couponType();
        parameters["status"] = "-1";
        parameters["currentpage"] = page;
        parameters["pagesize"] = std::string(PAGE_SIZE);
        parameters["sort"] = "desc";
        parameters["field"] = firstPage ? "usetime" : "gettime";
        return parameters;
    }
    parameters["status"] = couponType() == PASS_TYPE_ALI ? "USED" : "1";
    parameters["currentpage"] = page;
    parameters["pagesize"] = std::string(PAGE_SIZE);
    return parameters;
}

void CardVolumeStatisticViewController::searchCardVolume()
{
    if (!m_tvCardCode->isExclusiveTouch())
        m_tvCardCode->resignFirstResponder();
    if (!signedInWithMemberKey())
        return;
    std::string code = m_tvCardCode->text();
    if (code.empty()) {
        PromptUtil::toast("请输入核销码！");
        return;
    }
    couponVerifyCode(code);
}

void CardVolumeStatisticViewController::toScanUI()
{
    if (!checkUserIsLogin()) {
        toLogin();
        return;
    }
    BaseViewController::toScanUI();
}

void CardVolumeStatisticViewController::scanCallback(const std::string& code)
{
    BaseViewController::scanCallback(code);
    // Straight to the write-off: the scanner opened only for a signed-in
    // user, and a member key the server refuses brings its own alert.
    if (code.empty())
        return;
    couponVerifyCode(code);
}

void CardVolumeStatisticViewController::couponVerifyCode(const std::string& code)
{
    // A code is written off once: a second tap while it is out sends nothing.
    if (!m_verifyGate.isOpen())
        return;
    NetUtilSign::Parameters parameters;
    parameters["passtype"] = couponType();
    parameters["vcode"] = code;
    std::weak_ptr<CardVolumeStatisticViewController> weak = selfStatistic();
    NetUtilSign::doPost(URLConfig::VERIFY_CODE, std::nullopt, NetUtilSign::memberKeyFlag, parameters,
        [weak, token = m_verifyGate.close()](const std::optional<std::string>& reply) {
            if (auto strong = weak.lock())
                strong->handleVerify(reply);
        });
}

void CardVolumeStatisticViewController::handleVerify(const std::optional<std::string>& replyText)
{
    auto reply = JsonUtil::getJSONObject(replyText);
    if (!JsonUtil::isSuccess(reply)) {
        PromptUtil::toast(JsonUtil::info(reply));
        return;
    }
    PromptUtil::toast("核销成功");
    getCouponSendRecord();
}

void CardVolumeStatisticViewController::toCardVolumeRecordUI()
{
    if (!signedInWithMemberKey())
        return;
    auto navigation = navigationController();
    if (!navigation)
        return;
    auto records = std::make_shared<CardVolumnRecordViewController>();
    records->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(records, true);
}

void CardVolumeStatisticViewController::touchesEnded(const kit::Touch& touch)
{
    BaseViewController::touchesEnded(touch);
    if (!m_tvCardCode->isExclusiveTouch())
        m_tvCardCode->resignFirstResponder();
}
