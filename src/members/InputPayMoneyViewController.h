#pragma once

#include "members/InputPayMoneyDelegate.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string_view>

namespace kit {
class Button;
class TextField;
} // namespace kit

// Edits the amount of one payment part of a member purchase or recharge and
// hands it back to the opener.
class InputPayMoneyViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "InputPayMoneyViewController";

    void viewDidLoad() override;
    void initViews() override;
    bool textFieldShouldChangeCharactersInRange(
        kit::TextField& textField, kit::TextRange range, const std::string& replacement) override;
    void btnClick();

    int type() const { return m_type; }
    void setType(int type) { m_type = type; }
    double money() const { return m_money; }
    void setMoney(double money) { m_money = money; }
    std::shared_ptr<InputPayMoneyDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<InputPayMoneyDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<kit::TextField>& tvMoney() const { return m_tvMoney; }
    const std::shared_ptr<kit::Button>& btnOk() const { return m_btnOk; }

private:
    int m_type = 0;
    double m_money = 0;
    std::weak_ptr<InputPayMoneyDelegate> m_delegate;
    std::shared_ptr<kit::TextField> m_tvMoney;
    std::shared_ptr<kit::Button> m_btnOk;
};
