#pragma once

#include "ui/BaseViewController.h"

#include <memory>
#include <string_view>

namespace kit {
class Button;
}

// Shown when no wallet knows the order number searched for; back returns
// to the search with the number still in its field.
class Order404ViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "Order404ViewController";

    void loadView() override;
    void viewDidLoad() override;
    void initViews() override;

    const std::shared_ptr<kit::Button>& btnBack() const { return m_btnBack; }

private:
    std::shared_ptr<kit::Button> m_btnBack;
};
