#include "platform/kit/Renderer.h"

#include "platform/graphics/CairoDrawingContext.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Caret.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/TabBar.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TableViewCell.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <ctime>
#include <fstream>
#include <numbers>

namespace kit {

namespace {

using graphics::Color;
using graphics::Rect;
using graphics::Size;

// The phone toolkit's hairline grey for table separators.
const Color separatorColor = Color::fromRgb24(0xc8c7cc);
const Color selectedCellColor = Color::fromWhite(0.85);
const Color placeholderColor = Color::fromWhite(0.7);
const Color fieldBorderColor = Color::fromWhite(0.75);
const Color barHairlineColor = Color::fromRgb24(0xb2b2b2);
const Color lightBarColor = Color::fromWhite(0.97);
// The phone's tint, which its caret takes unless the view has its own.
const Color caretColor = Color::fromRgb24(0x007aff);
// Room around a view's bounds that its own painting may reach (a
// label's shadow), for telling whether it meets the area being painted.
constexpr double paintingReach = 2;

bool invisible(const View& view)
{
    return view.isHidden() || view.alpha() < 0.01;
}

bool singular(const graphics::AffineTransform& t)
{
    double det = t.a * t.d - t.b * t.c;
    return det == 0 || !std::isfinite(det);
}

// Where an image of `size` lands in `bounds` for a content mode.
Rect placeImage(Size size, const Rect& bounds, ContentMode mode)
{
    if (size.isEmpty())
        return bounds;
    double cx = bounds.midX() - size.width / 2;
    double cy = bounds.midY() - size.height / 2;
    switch (mode) {
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
        double sx = bounds.width() / size.width;
        double sy = bounds.height() / size.height;
        double s = mode == ContentMode::ScaleAspectFit ? std::min(sx, sy) : std::max(sx, sy);
        Size scaled { size.width * s, size.height * s };
        return { bounds.midX() - scaled.width / 2, bounds.midY() - scaled.height / 2, scaled.width,
            scaled.height };
    }
    case ContentMode::Center:
        return { cx, cy, size.width, size.height };
    case ContentMode::Top:
        return { cx, bounds.minY(), size.width, size.height };
    case ContentMode::Bottom:
        return { cx, bounds.maxY() - size.height, size.width, size.height };
    case ContentMode::Left:
        return { bounds.minX(), cy, size.width, size.height };
    case ContentMode::Right:
        return { bounds.maxX() - size.width, cy, size.width, size.height };
    case ContentMode::ScaleToFill:
    case ContentMode::Redraw:
        break;
    }
    return bounds;
}

std::shared_ptr<TableView> enclosingTable(const View& view)
{
    for (auto v = view.superview(); v; v = v->superview()) {
        if (auto table = std::dynamic_pointer_cast<TableView>(v))
            return table;
    }
    return nullptr;
}

void paintLabel(const Label& label, graphics::DrawingContext& context)
{
    const std::string& text
        = label.text().empty() && label.attributedText() ? label.attributedText()->string() : label.text();
    if (text.empty())
        return;
    graphics::TextStyle style = label.textStyle();
    if (label.shadowColor()) {
        graphics::TextStyle shadow = style;
        shadow.color = *label.shadowColor();
        shadow.runs.clear();
        Size offset = label.shadowOffset();
        context.drawTextInRect(text, label.bounds().offsetBy(offset.width, offset.height), shadow);
    }
    context.drawTextInRect(text, label.bounds(), style);
}

// Twelve spokes fading round the circle, the phone's spinner at rest. Drawn
// at the style's size around the bounds' centre whatever the bounds: callers
// hand spinners frames of other shapes (the refresh header its arrow's, empty
// when the artwork is missing) and it must still show whole.
void paintSpinner(const ActivityIndicatorView& spinner, graphics::DrawingContext& context)
{
    double side = ActivityIndicatorView::sideForStyle(spinner.activityIndicatorViewStyle());
    graphics::Point c = spinner.bounds().center();
    context.saveGState();
    context.setLineWidth(side / 12);
    context.setLineCap(graphics::LineCap::Round);
    for (int i = 0; i < 12; ++i) {
        double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 6;
        double dx = std::cos(angle);
        double dy = std::sin(angle);
        context.setStrokeColor(spinner.color().withAlpha(spinner.color().alpha() * (1.0 - i * 0.06)));
        context.beginPath();
        context.moveTo({ c.x + dx * side / 4, c.y + dy * side / 4 });
        context.lineTo({ c.x + dx * (side / 2 - side / 24), c.y + dy * (side / 2 - side / 24) });
        context.strokePath();
    }
    context.restoreGState();
}

void paintFieldBorder(TextBorderStyle style, const Rect& b, graphics::DrawingContext& context)
{
    switch (style) {
    case TextBorderStyle::None:
        return;
    case TextBorderStyle::RoundedRect:
        context.setFillColor(Color::white());
        context.beginPath();
        context.addRoundedRect(b, 5);
        context.fillPath();
        context.setStrokeColor(fieldBorderColor);
        context.setLineWidth(0.5);
        context.beginPath();
        context.addRoundedRect(b.insetBy(0.25, 0.25), 5);
        context.strokePath();
        return;
    case TextBorderStyle::Line:
    case TextBorderStyle::Bezel:
        context.setStrokeColor(style == TextBorderStyle::Line ? Color::black() : Color::gray());
        context.setLineWidth(1);
        context.strokeRect(b.insetBy(0.5, 0.5));
        return;
    }
}

// Read from the mode rather than from the view's hidden flag, which is only
// brought up to date by the field's next layout pass.
bool showsLeftView(const TextField& field)
{
    if (!field.leftView())
        return false;
    switch (field.leftViewMode()) {
    case TextFieldViewMode::Never:
        return false;
    case TextFieldViewMode::WhileEditing:
        return field.isEditing();
    case TextFieldViewMode::UnlessEditing:
        return !field.isEditing();
    case TextFieldViewMode::Always:
        return true;
    }
    return false;
}

// Where a phone field lays out its text: clear of the border and of a
// shown left view (whose icon is mostly transparent, so text under it would
// show through), over the field's full height so a single line centres.
Rect textFieldTextRect(const TextField& field)
{
    constexpr double inset = 7;
    Rect b = field.bounds();
    double left = b.minX() + (field.borderStyle() == TextBorderStyle::None ? 0 : inset);
    double right = b.maxX() - (field.borderStyle() == TextBorderStyle::None ? 0 : inset);
    if (showsLeftView(field))
        left = std::max(left, field.leftView()->frame().maxX() + inset);
    return { left, b.minY(), std::max(0.0, right - left), b.height() };
}

// Where a one-line field's text runs, in its room `rect`: in the room itself,
// cut with an ellipsis where it is wider; but a field in edit whose text is
// wider shows the text's end, where the caret is, as a phone's field scrolls
// to its caret: the text runs from left of the room, drawn clipped to it.
struct FieldTextPlace {
    Rect rect;
    bool scrolled = false;
};

FieldTextPlace placeFieldText(
    const TextField& field, const graphics::Font& font, const Rect& rect, bool editing)
{
    if (!editing || field.isShowingPlaceholder() || field.displayText().empty())
        return { rect };
    // Bullets stand one for one for the units of a secure text.
    double whole = graphics::TextMeasurer::shared()->sizeOfText(field.displayText(), font).width;
    if (whole <= rect.width())
        return { rect };
    // A point to spare, so that rounding never cuts the last letter off.
    double const width = whole + 1;
    return { { rect.maxX() - width, rect.minY(), width, rect.height() }, true };
}

// Draws a field's text (or placeholder) where placeFieldText puts it.
void drawFieldText(const TextField& field, graphics::TextStyle style, const Rect& rect, bool editing,
    graphics::DrawingContext& context)
{
    std::string const text = field.displayText();
    if (text.empty())
        return;
    auto const place = placeFieldText(field, style.font, rect, editing);
    if (!place.scrolled) {
        context.drawTextInRect(text, rect, style);
        return;
    }
    style.alignment = graphics::TextAlignment::Left;
    context.saveGState();
    context.clipToRect(rect);
    context.drawTextInRect(text, place.rect, style);
    context.restoreGState();
}

// The caret of a one-line field in edit whose room is `rect`, drawn as
// drawFieldText draws it (centred in the height). It stays inside the room.
Rect fieldCaretRect(
    const TextField& field, const graphics::Font& font, graphics::TextAlignment alignment, const Rect& rect)
{
    std::string shown = field.isShowingPlaceholder() ? std::string() : field.displayText();
    auto measurer = graphics::TextMeasurer::shared();
    double height = measurer->lineHeight(font);
    double whole = shown.empty() ? 0 : measurer->sizeOfText(shown, font).width;
    auto const place = placeFieldText(field, font, rect, true);
    double start = place.rect.minX();
    if (whole < rect.width() && alignment == graphics::TextAlignment::Center)
        start += (rect.width() - whole) / 2;
    else if (whole < rect.width() && alignment == graphics::TextAlignment::Right)
        start += rect.width() - whole;
    double x = start + measurer->caretPosition(shown, field.selectedRange().location, font, -1).x
        - Caret::width / 2;
    x = std::clamp(x, rect.minX(), std::max(rect.minX(), rect.maxX() - Caret::width));
    return { x, rect.midY() - height / 2, Caret::width, height };
}

Rect textFieldCaretRect(const TextField& field)
{
    return fieldCaretRect(field, field.font(), field.textAlignment(), textFieldTextRect(field));
}


// An alert that is up takes the keys, so no input under it shows a caret.
bool inputTakesKeys(const View& input, bool editing)
{
    return editing && input.isFirstResponder() && !AlertView::visibleAlert();
}

void paintCaret(const View& view, const Rect& rect, graphics::DrawingContext& context)
{
    context.setFillColor(view.tintColor().value_or(caretColor));
    context.fillRect(rect);
}

void paintTextField(const TextField& field, graphics::DrawingContext& context, bool caretLit)
{
    paintFieldBorder(field.borderStyle(), field.bounds(), context);
    graphics::TextStyle style;
    style.font = field.font();
    style.color = field.isShowingPlaceholder() ? placeholderColor : field.textColor();
    style.alignment = field.textAlignment();
    style.centeredVertically = true;
    drawFieldText(field, style, textFieldTextRect(field), field.isEditing(), context);
    if (caretLit && inputTakesKeys(field, field.isEditing()))
        paintCaret(field, textFieldCaretRect(field), context);
}

void paintTextView(const TextView& view, graphics::DrawingContext& context, bool caretLit)
{
    graphics::TextStyle style;
    style.font = view.font();
    style.color = view.textColor();
    style.alignment = view.textAlignment();
    style.numberOfLines = 0;
    style.centeredVertically = false;
    context.drawTextInRect(view.text(), view.textRect(), style);
    if (caretLit && inputTakesKeys(view, view.isEditing()))
        paintCaret(view, view.caretRect(), context);
}

// The wheels side by side, each with the chosen value in a band across the
// middle and its neighbours fading above and below.
void paintDatePicker(const DatePicker& picker, graphics::DrawingContext& context)
{
    Rect b = picker.bounds();
    double row = picker.rowHeight();
    if (!(row > 0))
        return;
    Rect band { b.minX(), b.midY() - row / 2, b.width(), row };
    context.setFillColor(separatorColor);
    context.fillRect({ band.minX(), band.minY(), band.width(), 0.5 });
    context.fillRect({ band.minX(), band.maxY() - 0.5, band.width(), 0.5 });
    auto wheels = picker.wheels();
    auto rects = picker.wheelRects();
    constexpr int reach = DatePicker::visibleRows / 2;
    graphics::TextStyle style;
    style.alignment = graphics::TextAlignment::Center;
    style.centeredVertically = true;
    for (std::size_t i = 0; i < wheels.size() && i < rects.size(); ++i) {
        for (int k = -reach; k <= reach; ++k) {
            double date = DatePicker::turned(picker.date(), wheels[i], k);
            style.font = graphics::Font::systemFont(k == 0 ? 21 : 16);
            style.color = k == 0 ? Color::black() : Color::fromWhite(0.35 + 0.15 * std::abs(k));
            context.drawTextInRect(picker.wheelText(wheels[i], date),
                { rects[i].minX(), band.minY() + k * row, rects[i].width(), row }, style);
        }
    }
}

// A bar with a background image shows only the image (the member screens
// make it transparent that way); otherwise its tint or its style's colour.
void paintNavigationBar(const NavigationBar& bar, graphics::DrawingContext& context)
{
    Rect b = bar.bounds();
    if (const auto& image = bar.backgroundImage()) {
        context.drawImage(*image, b);
        return;
    }
    bool light = bar.barStyle() == BarStyle::Default;
    context.setFillColor(bar.barTintColor().value_or(light ? lightBarColor : Color::black()));
    context.fillRect(b);
    if (light) {
        context.setFillColor(barHairlineColor);
        context.fillRect({ b.minX(), b.maxY() - 0.5, b.width(), 0.5 });
    }
}

void paintLayer(const Layer& layer, graphics::DrawingContext& context);

// Background, the caller's own content, sublayers, what the caller puts
// above them (a view's subviews, added after its layer's sublayers where
// the app builds them: the scanner's square over its camera picture), and
// the border on top, as a layer composites.
template<class Content, class Above>
void paintLayerBox(const Layer& layer, const Rect& b, graphics::DrawingContext& context,
    const Color& background, Content&& content, Above&& above)
{
    double radius = std::clamp(layer.cornerRadius(), 0.0, std::min(b.width(), b.height()) / 2);
    if (!background.isClear()) {
        context.setFillColor(background);
        context.beginPath();
        context.addRoundedRect(b, radius);
        context.fillPath();
    }
    if (layer.masksToBounds()) {
        context.beginPath();
        context.addRoundedRect(b, radius);
        context.clip();
    }
    content();
    for (const auto& sublayer : std::vector(layer.sublayers()))
        paintLayer(*sublayer, context);
    above();
    double width = layer.borderWidth();
    if (width > 0 && !layer.borderColor().isClear()) {
        context.setStrokeColor(layer.borderColor());
        context.setLineWidth(width);
        context.beginPath();
        context.addRoundedRect(b.insetBy(width / 2, width / 2), std::max(0.0, radius - width / 2));
        context.strokePath();
    }
}

ContentMode contentModeFor(ContentsGravity gravity)
{
    switch (gravity) {
    case ContentsGravity::ResizeAspect:
        return ContentMode::ScaleAspectFit;
    case ContentsGravity::ResizeAspectFill:
        return ContentMode::ScaleAspectFill;
    case ContentsGravity::Resize:
        break;
    }
    return ContentMode::ScaleToFill;
}

void paintLayer(const Layer& layer, graphics::DrawingContext& context)
{
    if (layer.isHidden() || layer.opacity() < 0.01)
        return;
    Rect frame = layer.frame();
    Rect box { 0, 0, frame.width(), frame.height() };
    context.saveGState();
    context.translate(frame.x(), frame.y());
    context.setAlpha(layer.opacity());
    paintLayerBox(
        layer, box, context, layer.backgroundColor(),
        [&] {
            const auto& image = layer.contents();
            if (!image)
                return;
            // A filling picture overflows its frame; the overflow is not shown.
            context.saveGState();
            context.clipToRect(box);
            context.drawImage(
                *image, placeImage(image->size(), box, contentModeFor(layer.contentsGravity())));
            context.restoreGState();
        },
        [] {});
    context.restoreGState();
}

const graphics::Font& alertTitleFont()
{
    static const graphics::Font font = graphics::Font::boldSystemFont(17);
    return font;
}

const graphics::Font& alertMessageFont()
{
    static const graphics::Font font = graphics::Font::systemFont(13);
    return font;
}

const graphics::Font& alertFieldFont()
{
    static const graphics::Font font = graphics::Font::systemFont(13);
    return font;
}

Rect alertFieldTextRect(const Rect& box)
{
    return box.insetBy(6, 0);
}

Rect alertFieldCaretRect(const TextField& field, const Rect& box)
{
    return fieldCaretRect(field, alertFieldFont(), graphics::TextAlignment::Left, alertFieldTextRect(box));
}

void paintAlert(const AlertView& alert, const Rect& screen, graphics::DrawingContext& context, bool caretLit)
{
    const Color buttonColor = Color::fromRgb24(0x007aff);
    AlertLayout layout = layOutAlert(alert, screen);
    const Rect& panel = layout.panel;

    context.setFillColor(Color::black().withAlpha(0.4));
    context.fillRect(screen);
    context.setFillColor(Color::fromWhite(0.97));
    context.beginPath();
    context.addRoundedRect(panel, 12);
    context.fillPath();

    graphics::TextStyle style;
    style.alignment = graphics::TextAlignment::Center;
    style.numberOfLines = 0;
    if (layout.title.height() > 0) {
        style.font = alertTitleFont();
        context.drawTextInRect(alert.title(), layout.title, style);
    }
    if (layout.message.height() > 0) {
        style.font = alertMessageFont();
        context.drawTextInRect(alert.message(), layout.message, style);
    }
    const auto& fields = alert.textFields();
    for (std::size_t i = 0; i < fields.size() && i < layout.fields.size(); ++i) {
        const Rect& box = layout.fields[i];
        paintFieldBorder(TextBorderStyle::RoundedRect, box, context);
        graphics::TextStyle text;
        text.font = alertFieldFont();
        text.color = fields[i]->isShowingPlaceholder() ? placeholderColor : Color::black();
        bool const chosen = static_cast<int>(i) == alert.selectedTextFieldIndex();
        drawFieldText(*fields[i], text, alertFieldTextRect(box), chosen, context);
        if (caretLit && chosen) {
            context.setFillColor(caretColor);
            context.fillRect(alertFieldCaretRect(*fields[i], box));
        }
    }
    style.numberOfLines = 1;
    bool const sideBySide = layout.buttons.size() == 2;
    for (int i = 0; i < static_cast<int>(layout.buttons.size()); ++i) {
        const Rect& cell = layout.buttons[i];
        context.setFillColor(separatorColor);
        context.fillRect({ cell.minX(), cell.minY(), cell.width(), 0.5 });
        if (sideBySide && i == 1)
            context.fillRect({ cell.minX(), cell.minY(), 0.5, cell.height() });
        style.font = i == alert.cancelButtonIndex() ? alertTitleFont() : graphics::Font::systemFont(17);
        style.color = buttonColor;
        context.drawTextInRect(alert.buttonTitleAtIndex(i), cell, style);
    }
}

cairo_status_t appendPng(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

Renderer::Renderer(double scale)
    : m_scale(std::isfinite(scale) && scale > 0 ? scale : 2.0)
{
}

void Renderer::paint(View& view, cairo_t* cairo) const
{
    graphics::CairoDrawingContext context(cairo);
    paintTree(view, context, true);
    if (!dynamic_cast<Window*>(&view))
        return;
    if (m_showsAlerts) {
        if (auto alert = AlertView::visibleAlert())
            paintAlert(*alert, view.bounds(), context, caretLit());
    }
    // Views that float above alerts come last, over the dimming.
    Rect b = view.bounds();
    context.saveGState();
    context.translate(-b.x(), -b.y());
    for (const auto& subview : std::vector(view.subviews())) {
        if (subview->floatsAboveAlerts())
            paintTree(*subview, context, false);
    }
    context.restoreGState();
}

void Renderer::paintTree(View& view, graphics::CairoDrawingContext& context, bool isRoot) const
{
    if (invisible(view) || (!isRoot && singular(view.transform())))
        return;
    Rect b = view.bounds();
    cairo_t* cairo = context.cairo();
    context.saveGState();
    if (!isRoot) {
        context.translate(view.center().x, view.center().y);
        context.concat(view.transform());
        context.translate(-b.width() / 2, -b.height() / 2);
    }
    context.translate(-b.x(), -b.y());
    // A faded view fades as a whole: its subviews do not show through each
    // other.
    bool faded = view.alpha() < 1;
    if (faded)
        cairo_push_group(cairo);

    Color background
        = view.backgroundColor().isClear() ? view.layer().backgroundColor() : view.backgroundColor();
    // Where only part of the window is painted again (a caret's blink), the
    // views away from it are not drawn for nothing; their subviews, which
    // may stand outside them, are still asked.
    double clipX1 = 0, clipY1 = 0, clipX2 = 0, clipY2 = 0;
    cairo_clip_extents(cairo, &clipX1, &clipY1, &clipX2, &clipY2);
    Rect reach = b.insetBy(-paintingReach, -paintingReach);
    bool meetsClip
        = reach.minX() < clipX2 && reach.maxX() > clipX1 && reach.minY() < clipY2 && reach.maxY() > clipY1;
    auto own = [&] {
        if (!meetsClip)
            return;
        paintContent(view, context);
        context.saveGState();
        {
            graphics::DrawingContext::Push current(context);
            view.drawRect(context, b);
        }
        context.restoreGState();
    };
    paintLayerBox(view.layer(), b, context, background, own, [&] {
        // A copy: nothing here should change the tree, but a drawRect
        // that does must not invalidate the loop.
        bool window = isRoot && dynamic_cast<Window*>(&view);
        for (const auto& subview : std::vector(view.subviews())) {
            if (!window || !subview->floatsAboveAlerts())
                paintTree(*subview, context, false);
        }
        if (auto* cell = dynamic_cast<TableViewCell*>(&view)) {
            auto table = enclosingTable(*cell);
            if (table && table->separatorStyle() != TableViewCellSeparatorStyle::None) {
                graphics::EdgeInsets inset = cell->separatorInset();
                context.setFillColor(separatorColor);
                context.fillRect(
                    { b.minX() + inset.left, b.maxY() - 0.5, b.width() - inset.left - inset.right, 0.5 });
            }
        }
    });

    if (faded) {
        cairo_pop_group_to_source(cairo);
        cairo_paint_with_alpha(cairo, view.alpha());
    }
    context.restoreGState();
}

void Renderer::paintContent(View& view, graphics::CairoDrawingContext& context) const
{
    Rect b = view.bounds();
    if (auto* label = dynamic_cast<Label*>(&view)) {
        paintLabel(*label, context);
    } else if (auto* button = dynamic_cast<Button*>(&view)) {
        // The title and image are the button's own subviews.
        if (auto image = button->currentBackgroundImage())
            context.drawImage(*image, b);
    } else if (auto* imageView = dynamic_cast<ImageView*>(&view)) {
        if (const auto& image = imageView->currentImage())
            context.drawImage(*image, placeImage(image->size(), b, imageView->contentMode()));
    } else if (auto* spinner = dynamic_cast<ActivityIndicatorView*>(&view)) {
        paintSpinner(*spinner, context);
    } else if (auto* field = dynamic_cast<TextField*>(&view)) {
        paintTextField(*field, context, caretLit());
    } else if (auto* textView = dynamic_cast<TextView*>(&view)) {
        paintTextView(*textView, context, caretLit());
    } else if (auto* picker = dynamic_cast<DatePicker*>(&view)) {
        paintDatePicker(*picker, context);
    } else if (auto* bar = dynamic_cast<NavigationBar*>(&view)) {
        paintNavigationBar(*bar, context);
    } else if (dynamic_cast<TabBar*>(&view)) {
        context.setFillColor(barHairlineColor);
        context.fillRect({ b.minX(), b.minY(), b.width(), 0.5 });
    } else if (auto* cell = dynamic_cast<TableViewCell*>(&view)) {
        if ((cell->isSelected() || cell->isHighlighted())
            && cell->selectionStyle() != TableViewCellSelectionStyle::None) {
            context.setFillColor(selectedCellColor);
            context.fillRect(b);
        }
    }
}

bool Renderer::caretLit() const
{
    return !m_caretBlinks || Caret::isLit();
}

std::optional<Rect> Renderer::caretRect(Window& window)
{
    if (auto alert = AlertView::visibleAlert()) {
        int index = alert->selectedTextFieldIndex();
        if (index < 0)
            return std::nullopt;
        auto layout = layOutAlert(*alert, window.bounds());
        if (static_cast<std::size_t>(index) >= layout.fields.size())
            return std::nullopt;
        return alertFieldCaretRect(*alert->textFields()[static_cast<std::size_t>(index)],
            layout.fields[static_cast<std::size_t>(index)]);
    }
    View* responder = window.firstResponder();
    if (!responder || !responder->isVisibleInWindow())
        return std::nullopt;
    if (auto* field = dynamic_cast<TextField*>(responder); field && field->isEditing())
        return field->convertRectToView(textFieldCaretRect(*field), nullptr);
    if (auto* view = dynamic_cast<TextView*>(responder); view && view->isEditing())
        return view->convertRectToView(view->caretRect(), nullptr);
    return std::nullopt;
}

std::shared_ptr<const graphics::Image> Renderer::renderImage(View& view) const
{
    Size size = view.bounds().size;
    if (!std::isfinite(size.width) || !std::isfinite(size.height) || size.width <= 0 || size.height <= 0)
        return nullptr;
    int width = static_cast<int>(std::ceil(size.width * m_scale));
    int height = static_cast<int>(std::ceil(size.height * m_scale));
    // Beyond this a request is a bug, not a screen.
    if (width > 16384 || height > 16384)
        return nullptr;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_ARGB32, width, height, width * 4);
    cairo_t* cairo = cairo_create(surface);
    cairo_scale(cairo, m_scale, m_scale);
    cairo_set_source_rgba(cairo, m_backdrop.red(), m_backdrop.green(), m_backdrop.blue(), m_backdrop.alpha());
    cairo_paint(cairo);
    paint(view, cairo);
    cairo_destroy(cairo);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    return graphics::Image::fromPixels(width, height, std::move(pixels), m_scale, m_backdrop.alpha() < 1);
}

std::string Renderer::renderPng(View& view) const
{
    auto image = renderImage(view);
    if (!image)
        return {};
    int width = image->pixelWidth();
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image->pixels())), CAIRO_FORMAT_ARGB32,
        width, image->pixelHeight(), width * 4);
    std::string png;
    cairo_surface_write_to_png_stream(surface, appendPng, &png);
    cairo_surface_destroy(surface);
    return png;
}

bool Renderer::renderPngFile(View& view, const std::filesystem::path& path) const
{
    std::string png = renderPng(view);
    if (png.empty())
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out.flush());
}

int AlertLayout::buttonAt(graphics::Point point) const
{
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].contains(point))
            return static_cast<int>(i);
    }
    return -1;
}

int AlertLayout::fieldAt(graphics::Point point) const
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].contains(point))
            return static_cast<int>(i);
    }
    return -1;
}

// The phone's alert: a rounded panel centred over the screen, title,
// message, the style's fields, then the buttons (side by side when there
// are two).
AlertLayout layOutAlert(const AlertView& alert, const Rect& screen)
{
    constexpr double width = 270;
    constexpr double margin = 16;
    constexpr double fieldHeight = 26;
    constexpr double buttonHeight = 44;
    auto measurer = graphics::TextMeasurer::shared();
    Size bound { width - 2 * margin, 200 };
    Size title
        = alert.title().empty() ? Size() : measurer->boundingSize(alert.title(), alertTitleFont(), bound);
    Size message
        = alert.message().empty() ? Size() : measurer->boundingSize(alert.message(), alertMessageFont(), bound);
    std::size_t const fields = alert.textFields().size();
    int const buttons = alert.numberOfButtons();
    bool const sideBySide = buttons == 2;
    int const buttonRows = sideBySide ? 1 : buttons;
    double const body = 20 + title.height + (message.height > 0 ? 4 + message.height : 0)
        + fields * (fieldHeight + 6) + 14;
    double const height = body + buttonRows * buttonHeight;

    AlertLayout layout;
    layout.panel = { screen.midX() - width / 2, screen.midY() - height / 2, width, height };
    const Rect& panel = layout.panel;
    double y = panel.minY() + 20;
    layout.title = { panel.minX() + margin, y, bound.width, title.height };
    y += title.height;
    if (message.height > 0)
        y += 4;
    layout.message = { panel.minX() + margin, y, bound.width, message.height };
    y += message.height;
    for (std::size_t i = 0; i < fields; ++i) {
        y += 6;
        layout.fields.push_back({ panel.minX() + margin, y, bound.width, fieldHeight });
        y += fieldHeight;
    }
    y = panel.minY() + body;
    for (int i = 0; i < buttons; ++i) {
        layout.buttons.push_back(sideBySide ? Rect(panel.minX() + i * width / 2, y, width / 2, buttonHeight)
                                            : Rect(panel.minX(), y + i * buttonHeight, width, buttonHeight));
    }
    return layout;
}

} // namespace kit
