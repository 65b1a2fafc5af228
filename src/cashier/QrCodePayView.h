#pragma once

#include "platform/kit/View.h"

#include <memory>
#include <string>
#include <string_view>

namespace kit {
class ImageView;
class Label;
} // namespace kit

// The body of the two QR code screens (a new order and a re-payment): the
// amount on green, the wallet the customer should use, and the code.
class QrCodePayView : public kit::View {
public:
    static constexpr double moneyFontSize = 30;
    static constexpr double walletFontSize = 15;
    static constexpr double qrCodeSide = 220;

    explicit QrCodePayView(const graphics::Rect& frame);

    void setMoney(const std::string& money);
    // The wallet's texts and icon; an unknown code leaves both as they are.
    void showWallet(std::string_view wallet);
    // False, showing nothing, when the bytes are empty or no picture.
    bool showQrCode(const std::string& bytes);

    void layoutSubviews() override;

    const std::shared_ptr<kit::Label>& labelMoneyFlag() const { return m_labelMoneyFlag; }
    const std::shared_ptr<kit::Label>& labelMoney() const { return m_labelMoney; }
    const std::shared_ptr<kit::ImageView>& ivPayWay() const { return m_ivPayWay; }
    const std::shared_ptr<kit::Label>& labelPayWay() const { return m_labelPayWay; }
    const std::shared_ptr<kit::ImageView>& ivQrCode() const { return m_ivQrCode; }
    const std::shared_ptr<kit::Label>& labelScanMsg() const { return m_labelScanMsg; }

private:
    std::shared_ptr<kit::View> m_moneyView;
    std::shared_ptr<kit::Label> m_labelMoneyFlag;
    std::shared_ptr<kit::Label> m_labelMoney;
    std::shared_ptr<kit::ImageView> m_ivPayWay;
    std::shared_ptr<kit::Label> m_labelPayWay;
    std::shared_ptr<kit::ImageView> m_ivQrCode;
    std::shared_ptr<kit::Label> m_labelScanMsg;
};
