#pragma once

// Told the amount of one payment part when the part editor confirms.
class InputPayMoneyDelegate {
public:
    // Part types: cash, the member's stored balance, mobile wallet.
    static constexpr int cashType = 0;
    static constexpr int balanceType = 1;
    static constexpr int mobileType = 2;

    virtual ~InputPayMoneyDelegate() = default;
    virtual void inputPayMoneyCallback(int type, double money) = 0;
};
