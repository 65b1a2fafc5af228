#pragma once

#include "members/ChooseCreditReasonDelegate.h"
#include "members/InputDescriptionDelegate.h"
#include "members/MemberFormViewController.h"
#include "ui/SubmitGate.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kit {
class Button;
class Label;
class TextField;
} // namespace kit
class ScoreReasonEntity;

// Grants a member points, with a reason from the merchant's list and an
// optional remark.
class GiveCreditViewController : public MemberFormViewController,
                                 public ChooseCreditReasonDelegate,
                                 public InputDescriptionDelegate {
public:
    static constexpr std::string_view nibName = "GiveCreditViewController";
    static constexpr std::size_t maxTypedLength = 11;

    void initViews() override;
    bool textFieldShouldChangeCharactersInRange(
        kit::TextField& textField, kit::TextRange range, const std::string& replacement) override;
    void touchesEnded(const kit::Touch& touch) override;

    void toChooseCreditReasonUI();
    void chooseCreditReasonCallback(const std::shared_ptr<ScoreReasonEntity>& reason) override;
    void toInputDescriptionUI();
    void inputDescriptionCallback(const std::string& description) override;
    void btnOkClick();

    const std::shared_ptr<ScoreReasonEntity>& scoreReasonEntity() const { return m_scoreReasonEntity; }

private:
    std::shared_ptr<GiveCreditViewController> selfCredit()
    {
        return std::static_pointer_cast<GiveCreditViewController>(shared_from_this());
    }
    std::shared_ptr<kit::Button> addChoiceRow(const char* buttonName, const char* caption,
        const char* labelName, std::shared_ptr<kit::Label>& label, double y);
    void handleGrant(const std::optional<std::string>& reply);

    std::shared_ptr<ScoreReasonEntity> m_scoreReasonEntity;
    // The remark as typed; the label only shows it.
    std::optional<std::string> m_description;
    std::shared_ptr<kit::TextField> m_tvCreditCount;
    std::shared_ptr<kit::Button> m_btnOperationReason;
    std::shared_ptr<kit::Button> m_btnDescription;
    std::shared_ptr<kit::Button> m_btnOk;
    std::shared_ptr<kit::Label> m_labelOperationReason;
    std::shared_ptr<kit::Label> m_labelDescription;
    SubmitGate m_submitGate;
};
