#pragma once

#include "platform/foundation/Json.h"
#include "ui/BaseViewController.h"

#include <memory>
#include <string>

namespace kit {
class Label;
}

// A read-only page of one pass record handed over by a log: captions on the
// left, the record's values on the right, filled once when it loads.
class PassDetailViewController : public BaseViewController {
public:
    void viewDidLoad() override;
    void initViews() override;

    const foundation::Json& entity() const { return m_entity; }
    void setEntity(foundation::Json entity) { m_entity = std::move(entity); }
    const std::string& couponType() const { return m_couponType; }
    void setCouponType(std::string couponType) { m_couponType = std::move(couponType); }

protected:
    // The screen's rows, top to bottom, each made by addRow.
    virtual void addRows() = 0;
    std::shared_ptr<kit::Label> addRow(const char* caption, const char* name);

private:
    foundation::Json m_entity;
    std::string m_couponType;
    double m_nextRowY = 0;
};
