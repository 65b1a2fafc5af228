#pragma once

class UICheckBox;

// Told after each touch flipped a box, with the state it now shows.
class UICheckBoxDelegate {
public:
    virtual ~UICheckBoxDelegate() = default;
    virtual void onChangeIsChecked(UICheckBox& checkBox, bool isChecked) = 0;
};
