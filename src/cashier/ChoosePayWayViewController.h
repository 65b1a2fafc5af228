#pragma once

#include "api/NetUtilSign.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string_view>

namespace kit {
class Label;
}

// Where an amount is collected. For now it only shows the amount it was
// given and goes back: choosing a wallet, scanning the customer's code and
// following the order come with the payment screens.
class ChoosePayWayViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "ChoosePayWayViewController";

    void viewDidLoad() override;
    void initViews() override;

    double money() const { return m_money; }
    void setMoney(double money) { m_money = money; }
    int consumeType() const { return m_consumeType; }
    void setConsumeType(int type) { m_consumeType = type; }
    double rechargeMoney() const { return m_rechargeMoney; }
    void setRechargeMoney(double money) { m_rechargeMoney = money; }
    // The member request whose mobile part is paid here (see
    // MobilePayCallbackReceiver); absent for a plain collection.
    const std::shared_ptr<NetUtilSign::Parameters>& requestPayParams() const { return m_requestPayParams; }
    void setRequestPayParams(std::shared_ptr<NetUtilSign::Parameters> params)
    {
        m_requestPayParams = std::move(params);
    }

    const std::shared_ptr<kit::Label>& labelMoney() const { return m_labelMoney; }

private:
    double m_money = 0;
    // 0 a plain collection, 1 a member purchase, 2 a member recharge.
    int m_consumeType = 0;
    double m_rechargeMoney = 0;
    std::shared_ptr<NetUtilSign::Parameters> m_requestPayParams;
    std::shared_ptr<kit::Label> m_labelMoney;
};
