#pragma once

#include "ui/BaseViewController.h"

#include <memory>
#include <string>
#include <string_view>

class SubmitGuard;

namespace kit {
class Button;
class TextField;
} // namespace kit

// Finds one order by its number, typed or scanned: first as an Alipay
// order, then as a WeChat Pay order; opens its detail, or the not-found
// screen when neither wallet knows it.
class OrderSearchViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "OrderSearchViewController";

    OrderSearchViewController();

    void loadView() override;
    void viewDidLoad() override;
    void initViews() override;

    void search();
    void getAliPayOrderDetailById();
    void getWxPayOrderDetailById();
    void scanCallback(const std::string& code) override;
    void touchesEnded(const kit::Touch& touch) override;

    const std::shared_ptr<kit::TextField>& tvOrderNum() const { return m_tvOrderNum; }
    const std::shared_ptr<kit::Button>& btnSearch() const { return m_btnSearch; }

private:
    // Asks the wallet for the order; `next` runs when it does not know it.
    void lookUp(std::string_view wallet, void (OrderSearchViewController::*next)());
    void toNotFound();
    std::shared_ptr<OrderSearchViewController> selfSearch()
    {
        return std::static_pointer_cast<OrderSearchViewController>(shared_from_this());
    }

    // Search stays blocked while a look-up is out: a second tap would open
    // a second detail.
    std::shared_ptr<SubmitGuard> m_submitGuard;
    std::shared_ptr<kit::TextField> m_tvOrderNum;
    std::shared_ptr<kit::Button> m_btnSearch;
};
