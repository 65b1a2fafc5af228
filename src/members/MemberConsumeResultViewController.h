#pragma once

#include "platform/foundation/Json.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string_view>

namespace kit {
class Label;
class ViewController;
} // namespace kit

// The outcome of a member purchase. Back leads to the member's detail after
// a success (its new balance shows) or to the purchase after a failure.
class MemberConsumeResultViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "MemberConsumeResultViewController";

    void viewDidLoad() override;
    void initViews() override;
    // Replaces the standard back: pops to the screen that fits the outcome.
    void back() override;

    const foundation::Json& data() const { return m_data; }
    void setData(foundation::Json data) { m_data = std::move(data); }
    double money() const { return m_money; }
    void setMoney(double money) { m_money = money; }

protected:
    // What this outcome is called in the bar, and the screen a failure goes
    // back to (the first of it from the bottom of the stack).
    virtual const char* resultTitle() const { return "消费结果"; }
    virtual bool isRetryScreen(const kit::ViewController& screen) const;

private:
    bool succeeded() const;

    foundation::Json m_data;
    double m_money = 0;
    std::shared_ptr<kit::Label> m_labelPayResult;
    std::shared_ptr<kit::Label> m_labelPayStatus;
    std::shared_ptr<kit::Label> m_labelOrderId;
    std::shared_ptr<kit::Label> m_labelOrderMoney;
};
