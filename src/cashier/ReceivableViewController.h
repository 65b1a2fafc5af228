#pragma once

#include "ui/BaseViewController.h"

#include <memory>
#include <string>

namespace kit {
class Button;
class Control;
class Label;
class View;
} // namespace kit

// The collect tab: who is signed in for which shop, and the screen's own
// keypad for the amount to collect. OK hands the amount to the pay-way
// screen. The amount lives only as the text of its label.
class ReceivableViewController : public BaseViewController {
public:
    // The keypad's key titles; every key but delete and OK appends its title.
    static constexpr const char* pointKey = ".";
    static constexpr const char* doubleZeroKey = "00";
    static constexpr double moneyContainerShare = 0.32;
    static constexpr double moneyFontSize = 35;
    static constexpr double moneyLineHeight = 45;

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void initViews() override;
    void screenAdapter() override;

    void btnClick(kit::Control& sender);
    void toBillUI();
    void setMoneyLabelPosition(const std::string& text);
    void setBtnStyle(kit::Button& button);

    const std::shared_ptr<kit::View>& moneyContainer() const { return m_moneyContainer; }
    const std::shared_ptr<kit::Button>& btnDelete() const { return m_btnDelete; }
    const std::shared_ptr<kit::Button>& btnOK() const { return m_btnOK; }
    const std::shared_ptr<kit::Label>& labelInputConfirm() const { return m_labelInputConfirm; }
    const std::shared_ptr<kit::Label>& labelUserName() const { return m_labelUserName; }
    const std::shared_ptr<kit::Label>& labelMsg() const { return m_labelMsg; }
    const std::shared_ptr<kit::Label>& labelShopName() const { return m_labelShopName; }
    const std::shared_ptr<kit::Label>& labelMoneyFLag() const { return m_labelMoneyFLag; }
    const std::shared_ptr<kit::Label>& labelMoney() const { return m_labelMoney; }

private:
    // Whether appending the key would break the amount's format; a refused
    // key changes nothing and shows nothing.
    bool refusesKey(const std::string& amount, const std::string& key) const;
    void deleteLastCharacter();
    void confirmAmount();
    void showAmount(bool shown);
    std::shared_ptr<kit::Button> makeKey(const char* name, const char* title);
    std::shared_ptr<ReceivableViewController> selfReceivable()
    {
        return std::static_pointer_cast<ReceivableViewController>(shared_from_this());
    }

    std::shared_ptr<kit::View> m_moneyContainer;
    std::shared_ptr<kit::View> m_keypad;
    // "1" to "9", then "0", in that order.
    std::shared_ptr<kit::Button> m_digitKeys[10];
    std::shared_ptr<kit::Button> m_btnTwoZero;
    std::shared_ptr<kit::Button> m_btnPoint;
    std::shared_ptr<kit::Button> m_btnDelete;
    std::shared_ptr<kit::Button> m_btnOK;
    std::shared_ptr<kit::Label> m_labelInputConfirm;
    std::shared_ptr<kit::Label> m_labelUserName;
    std::shared_ptr<kit::Label> m_labelMsg;
    std::shared_ptr<kit::Label> m_labelShopName;
    std::shared_ptr<kit::Label> m_labelMoneyFLag;
    std::shared_ptr<kit::Label> m_labelMoney;
};
