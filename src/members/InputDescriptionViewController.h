#pragma once

#include "members/InputDescriptionDelegate.h"
#include "platform/kit/TextViewDelegate.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string>
#include <string_view>

namespace kit {
class TextView;
}

// Edits a free-text remark and hands it back to the opener.
class InputDescriptionViewController : public BaseViewController, public kit::TextViewDelegate {
public:
    static constexpr std::string_view nibName = "InputDescriptionViewController";

    void viewDidLoad() override;
    void initViews() override;
    void saveDescription();

    const std::string& content() const { return m_content; }
    void setContent(std::string content) { m_content = std::move(content); }
    std::shared_ptr<InputDescriptionDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<InputDescriptionDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<kit::TextView>& tvDescription() const { return m_tvDescription; }

private:
    std::string m_content;
    std::weak_ptr<InputDescriptionDelegate> m_delegate;
    std::shared_ptr<kit::TextView> m_tvDescription;
};
