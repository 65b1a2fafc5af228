#include "cashier/QrCodePayView.h"

#include "api/Constants.h"
#include "cashier/CashierViews.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "ui/ColorUtil.h"

#include <tuple>

namespace {

constexpr double moneyViewHeight = 90;
constexpr double walletIconSide = 24;

} // namespace

QrCodePayView::QrCodePayView(const graphics::Rect& frame)
    : kit::View(frame)
{
    setName("qrCodePayView");
    setBackgroundColor(ColorUtil::getUIColorByHex(CashierViews::pageHex));
    m_moneyView = CashierViews::panel("moneyView", CashierViews::greenHex);
    std::tie(m_labelMoneyFlag, m_labelMoney) = CashierViews::whiteMoney(*m_moneyView, moneyFontSize);
    m_ivPayWay = std::make_shared<kit::ImageView>();
    m_ivPayWay->setName("ivPayWay");
    m_labelPayWay = CashierViews::label("labelPayWay", walletFontSize, CashierViews::darkTextHex);
    m_ivQrCode = std::make_shared<kit::ImageView>();
    m_ivQrCode->setName("ivQrCode");
    m_ivQrCode->setContentMode(kit::ContentMode::ScaleAspectFit);
    m_ivQrCode->setBackgroundColor(graphics::Color::white());
    m_labelScanMsg = CashierViews::label("labelScanMsg", 13, "888888", graphics::TextAlignment::Center,
        "请顾客打开钱包扫一扫,扫描上方二维码付款");
    for (const std::shared_ptr<kit::View>& view :
        { m_moneyView, std::static_pointer_cast<kit::View>(m_ivPayWay),
            std::static_pointer_cast<kit::View>(m_labelPayWay),
            std::static_pointer_cast<kit::View>(m_ivQrCode),
            std::static_pointer_cast<kit::View>(m_labelScanMsg) })
        addSubview(view);
}

void QrCodePayView::setMoney(const std::string& money)
{
    m_labelMoney->setText(money);
    setNeedsLayout();
}

void QrCodePayView::showWallet(std::string_view wallet)
{
    const char* text = nullptr;
    const char* icon = nullptr;
    if (wallet == PAY_TYPE_ALIPAY) {
        text = "请顾客使用支付宝钱包";
        icon = "IconAliSys";
    } else if (wallet == PAY_TYPE_WXPAY) {
        text = "请顾客使用微信钱包";
        icon = "IconWxSys";
    } else if (wallet == PAY_TYPE_BDPAY) {
        text = "请顾客使用百度钱包";
        icon = "IconBdSys";
    } else {
        return;
    }
    m_labelPayWay->setText(text);
    m_ivPayWay->setImage(graphics::Image::named(icon));
    setNeedsLayout();
}

bool QrCodePayView::showQrCode(const std::string& bytes)
{
    if (bytes.empty())
        return false;
    auto image = graphics::Image::fromData(std::string_view(bytes));
    if (!image)
        return false;
    m_ivQrCode->setImage(std::move(image));
    return true;
}

void QrCodePayView::layoutSubviews()
{
    kit::View::layoutSubviews();
    double width = bounds().width();
    double top = CashierViews::navigationBarHeight;
    m_moneyView->setFrame({ 0, top, width, moneyViewHeight });
    CashierViews::centreMoney(
        *m_labelMoneyFlag, *m_labelMoney, width, (moneyViewHeight - 40) / 2, 40, moneyFontSize);

    // Icon and text centred together as one line.
    double textWidth = 0;
    if (auto measurer = graphics::TextMeasurer::shared())
        textWidth
            = measurer->sizeOfText(m_labelPayWay->text(), graphics::Font::systemFont(walletFontSize)).width;
    double lineY = top + moneyViewHeight + 16;
    double x = (width - walletIconSide - 6 - textWidth) / 2;
    m_ivPayWay->setFrame({ x, lineY, walletIconSide, walletIconSide });
    m_labelPayWay->setFrame({ x + walletIconSide + 6, lineY, textWidth + 2, walletIconSide });

    double codeY = lineY + walletIconSide + 16;
    m_ivQrCode->setFrame({ (width - qrCodeSide) / 2, codeY, qrCodeSide, qrCodeSide });
    m_labelScanMsg->setFrame({ 0, codeY + qrCodeSide + 12, width, 20 });
}
