#pragma once

#include "platform/kit/View.h"

#include <memory>
#include <string>

namespace kit {

class ImageView;
class Label;

enum class TableViewCellStyle { Default = 0, Value1 = 1, Value2 = 2, Subtitle = 3 };
enum class TableViewCellSelectionStyle { None = 0, Blue = 1, Gray = 2, Default = 3 };
enum class TableViewCellAccessoryType {
    None = 0,
    DisclosureIndicator = 1,
    DetailDisclosureButton = 2,
    Checkmark = 3
};

// One row of a table. Screens put their own views in the content view; the
// text label, detail label and image view are made on first use so cells
// that never ask for them carry none.
class TableViewCell : public View {
public:
    TableViewCell();
    explicit TableViewCell(TableViewCellStyle style, std::string reuseIdentifier = {});

    TableViewCellStyle style() const { return m_style; }
    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    // Set by the table for cells made from a registered factory.
    void setReuseIdentifier(std::string identifier) { m_reuseIdentifier = std::move(identifier); }

    // Made on first use, once the cell is owned by a shared_ptr.
    std::shared_ptr<View> contentView();
    std::shared_ptr<Label> textLabel();
    // Null for the default style, which has no detail text.
    std::shared_ptr<Label> detailTextLabel();
    std::shared_ptr<ImageView> imageView();

    TableViewCellAccessoryType accessoryType() const { return m_accessoryType; }
    void setAccessoryType(TableViewCellAccessoryType type);
    std::shared_ptr<View> accessoryView() const { return m_accessoryView; }
    void setAccessoryView(std::shared_ptr<View> view);
    TableViewCellSelectionStyle selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(TableViewCellSelectionStyle style) { m_selectionStyle = style; }
    graphics::EdgeInsets separatorInset() const { return m_separatorInset; }
    void setSeparatorInset(const graphics::EdgeInsets& inset) { m_separatorInset = inset; }

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { setSelected(selected, false); }
    virtual void setSelected(bool selected, bool animated);
    bool isHighlighted() const { return m_highlighted; }
    virtual void setHighlighted(bool highlighted, bool animated);

    // Called before the table hands the cell out again.
    virtual void prepareForReuse();

    void layoutSubviews() override;

private:
    TableViewCellStyle m_style = TableViewCellStyle::Default;
    std::string m_reuseIdentifier;
    std::shared_ptr<View> m_contentView;
    std::shared_ptr<Label> m_textLabel;
    std::shared_ptr<Label> m_detailTextLabel;
    std::shared_ptr<ImageView> m_imageView;
    TableViewCellAccessoryType m_accessoryType = TableViewCellAccessoryType::None;
    std::shared_ptr<View> m_accessoryView;
    TableViewCellSelectionStyle m_selectionStyle = TableViewCellSelectionStyle::Default;
    graphics::EdgeInsets m_separatorInset { 0, 15, 0, 0 };
    bool m_selected = false;
    bool m_highlighted = false;
};

} // namespace kit
