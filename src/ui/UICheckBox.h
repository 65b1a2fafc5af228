#pragma once

#include "platform/graphics/Image.h"
#include "platform/kit/View.h"
#include "ui/UICheckBoxDelegate.h"

#include <memory>
#include <string>

// A drawn check box with a white caption beside it. Every touch that ends
// on it flips it and tells the delegate; one-of-many lists clear the other
// boxes themselves, finding their entry by section and row.
class UICheckBox : public kit::View {
public:
    using ImagePtr = std::shared_ptr<const graphics::Image>;

    static constexpr const char* checkedImageName = "IconLoginChecked";
    static constexpr const char* uncheckedImageName = "IconLoginCheck";

    UICheckBox(std::string text, const graphics::Rect& frame);

    bool checked() const { return m_checked; }
    // Redraws; never tells the delegate.
    void setChecked(bool checked);
    const ImagePtr& imgOn() const { return m_imgOn; }
    void setImgOn(ImagePtr image);
    const ImagePtr& imgOff() const { return m_imgOff; }
    void setImgOff(ImagePtr image);
    const std::string& text() const { return m_text; }
    void setText(std::string text);
    std::shared_ptr<UICheckBoxDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::weak_ptr<UICheckBoxDelegate>& delegate) { m_delegate = delegate; }
    long section() const { return m_section; }
    void setSection(long section) { m_section = section; }
    long row() const { return m_row; }
    void setRow(long row) { m_row = row; }

    void drawRect(graphics::DrawingContext& context, const graphics::Rect& rect) override;
    void touchesEnded(const kit::Touch& touch) override;

private:
    bool m_checked = false;
    ImagePtr m_imgOn;
    ImagePtr m_imgOff;
    std::string m_text;
    std::weak_ptr<UICheckBoxDelegate> m_delegate;
    long m_section = 0;
    long m_row = 0;
};
