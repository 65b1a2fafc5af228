#include "platform/kit/TableViewCell.h"

#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"

namespace kit {

namespace {

// Width the phone gives an accessory mark, and the cell's side margin.
constexpr double accessoryWidth = 33;
constexpr double margin = 15;

} // namespace

TableViewCell::TableViewCell()
    : View(graphics::Rect(0, 0, 320, 44))
{
    setBackgroundColor(graphics::Color::white());
}

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(graphics::Rect(0, 0, 320, 44))
    , m_style(style)
    , m_reuseIdentifier(std::move(reuseIdentifier))
{
    setBackgroundColor(graphics::Color::white());
}

std::shared_ptr<View> TableViewCell::contentView()
{
    if (!m_contentView && !weak_from_this().expired()) {
        m_contentView = std::make_shared<View>(bounds());
        m_contentView->setName("contentView");
        insertSubview(m_contentView, 0);
    }
    return m_contentView;
}

std::shared_ptr<Label> TableViewCell::textLabel()
{
    if (!m_textLabel) {
        auto content = contentView();
        if (!content)
            return nullptr;
        m_textLabel = std::make_shared<Label>();
        m_textLabel->setName("textLabel");
        m_textLabel->setFont(graphics::Font::systemFont(18));
        content->addSubview(m_textLabel);
        setNeedsLayout();
    }
    return m_textLabel;
}

std::shared_ptr<Label> TableViewCell::detailTextLabel()
{
    if (m_style == TableViewCellStyle::Default)
        return nullptr;
    if (!m_detailTextLabel) {
        auto content = contentView();
        if (!content)
            return nullptr;
        m_detailTextLabel = std::make_shared<Label>();
        m_detailTextLabel->setName("detailTextLabel");
        m_detailTextLabel->setFont(
            graphics::Font::systemFont(m_style == TableViewCellStyle::Subtitle ? 12 : 17));
        m_detailTextLabel->setTextColor(graphics::Color::gray());
        if (m_style == TableViewCellStyle::Value1)
            m_detailTextLabel->setTextAlignment(graphics::TextAlignment::Right);
        content->addSubview(m_detailTextLabel);
        setNeedsLayout();
    }
    return m_detailTextLabel;
}

std::shared_ptr<ImageView> TableViewCell::imageView()
{
    if (!m_imageView) {
        auto content = contentView();
        if (!content)
            return nullptr;
        m_imageView = std::make_shared<ImageView>();
        m_imageView->setName("imageView");
        content->addSubview(m_imageView);
        setNeedsLayout();
    }
    return m_imageView;
}

void TableViewCell::setAccessoryType(TableViewCellAccessoryType type)
{
    m_accessoryType = type;
    setNeedsLayout();
}

void TableViewCell::setAccessoryView(std::shared_ptr<View> view)
{
    if (m_accessoryView == view)
        return;
    if (m_accessoryView)
        m_accessoryView->removeFromSuperview();
    m_accessoryView = std::move(view);
    if (m_accessoryView)
        addSubview(m_accessoryView);
    setNeedsLayout();
}

void TableViewCell::setSelected(bool selected, bool)
{
    m_selected = selected;
    setNeedsDisplay();
}

void TableViewCell::setHighlighted(bool highlighted, bool)
{
    m_highlighted = highlighted;
    setNeedsDisplay();
}

void TableViewCell::prepareForReuse()
{
    setSelected(false, false);
    setHighlighted(false, false);
}

void TableViewCell::layoutSubviews()
{
    View::layoutSubviews();
    auto content = contentView();
    if (!content)
        return;
    graphics::Rect b = bounds();
    double trailing = 0;
    if (m_accessoryView) {
        graphics::Rect a = m_accessoryView->frame();
        trailing = a.width() + margin;
        m_accessoryView->setFrame(
            { b.width() - margin - a.width(), (b.height() - a.height()) / 2, a.width(), a.height() });
    } else if (m_accessoryType != TableViewCellAccessoryType::None) {
        trailing = accessoryWidth;
    }
    content->setFrame({ 0, 0, b.width() - trailing, b.height() });

    double x = margin;
    double width = content->bounds().width();
    if (m_imageView && m_imageView->image()) {
        graphics::Size size = m_imageView->image()->size();
        m_imageView->setFrame({ margin, (b.height() - size.height) / 2, size.width, size.height });
        x = margin * 2 + size.width;
    }
    double textWidth = std::max(0.0, width - x - margin);
    if (m_style == TableViewCellStyle::Subtitle && m_detailTextLabel) {
        if (m_textLabel)
            m_textLabel->setFrame({ x, b.height() / 2 - 20, textWidth, 22 });
        m_detailTextLabel->setFrame({ x, b.height() / 2 + 2, textWidth, 16 });
        return;
    }
    if (m_textLabel)
        m_textLabel->setFrame({ x, 0, m_detailTextLabel ? textWidth / 2 : textWidth, b.height() });
    if (m_detailTextLabel)
        m_detailTextLabel->setFrame({ x + textWidth / 2, 0, textWidth / 2, b.height() });
}

} // namespace kit
