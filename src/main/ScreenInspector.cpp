#include "main/ScreenInspector.h"

#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/DatePicker.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/TabBarController.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TableViewCell.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/Window.h"
#include "ui/UICheckBox.h"

#include <cstdlib>
#include <cxxabi.h>
#include <optional>
#include <sstream>
#include <typeinfo>

namespace {

std::string demangle(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? name.get() : type.name();
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out + "\"";
}

std::string nameSuffix(const kit::View& view)
{
    return view.name().empty() ? std::string() : " " + view.name();
}

// The text, then the placeholder while the text is empty. A password prints
// as the bullets the screen shows, never in clear; an empty one prints as
// empty, not as the placeholder the screen draws in its place.
std::string fieldContents(const kit::TextField& field)
{
    const std::string& text = field.text();
    std::string out = quoted(field.isSecureTextEntry() && !text.empty() ? field.displayText() : text);
    if (text.empty() && !field.placeholder().empty())
        out += " placeholder " + quoted(field.placeholder());
    return out;
}

// A chooser's row shows whether it is the one chosen by the check box on it.
std::optional<bool> cellCheckBox(const kit::View& view)
{
    if (view.isHidden())
        return std::nullopt;
    if (auto* box = dynamic_cast<const UICheckBox*>(&view))
        return box->checked();
    for (const auto& sub : view.subviews()) {
        if (auto checked = cellCheckBox(*sub))
            return checked;
    }
    return std::nullopt;
}

void collectCellTexts(const kit::View& view, std::vector<std::string>& texts)
{
    if (view.isHidden())
        return;
    if (auto* label = dynamic_cast<const kit::Label*>(&view); label && !label->text().empty())
        texts.push_back(label->text());
    if (auto* button = dynamic_cast<const kit::Button*>(&view);
        button && button->currentTitle() && !button->currentTitle()->empty())
        texts.push_back(*button->currentTitle());
    for (const auto& sub : view.subviews())
        collectCellTexts(*sub, texts);
}

// The title; a button without one may carry its text in a label of its own
// (the toast does).
std::string buttonText(const kit::Button& button)
{
    if (auto title = button.currentTitle(); title && !title->empty())
        return *title;
    std::vector<std::string> texts;
    for (const auto& sub : button.subviews())
        collectCellTexts(*sub, texts);
    return texts.empty() ? std::string() : texts.front();
}

void describeValueLabels(const kit::View& view, const std::string& buttonText, std::ostringstream& out)
{
    for (const auto& sub : view.subviews()) {
        if (sub->isHidden() || sub->alpha() <= 0)
            continue;
        auto* label = dynamic_cast<const kit::Label*>(sub.get());
        if (label && !label->name().empty() && label->text() != buttonText)
            out << "    label " << label->name() << " " << quoted(label->text()) << "\n";
        describeValueLabels(*sub, buttonText, out);
    }
}

void describeTree(const kit::View& view, std::ostringstream& out)
{
    if (view.isHidden() || view.alpha() <= 0)
        return;
    if (auto* table = dynamic_cast<const kit::TableView*>(&view)) {
        for (const auto& cell : table->visibleCells()) {
            auto path = table->indexPathForCell(cell.get());
            if (!path)
                continue;
            std::vector<std::string> texts;
            collectCellTexts(*cell, texts);
            std::string joined;
            for (const auto& text : texts)
                joined += (joined.empty() ? "" : " | ") + text;
            out << "  row " << path->row << " " << path->section << " " << quoted(joined);
            if (auto checked = cellCheckBox(*cell))
                out << (*checked ? " checked" : " unchecked");
            out << "\n";
        }
        // The rows are listed; what else the table holds (refresh header
        // and footer, table footer) is walked below.
        for (const auto& sub : view.subviews()) {
            if (!dynamic_cast<const kit::TableViewCell*>(sub.get()))
                describeTree(*sub, out);
        }
        return;
    }
    if (auto* label = dynamic_cast<const kit::Label*>(&view)) {
        if (!label->text().empty())
            out << "  label" << nameSuffix(view) << " " << quoted(label->text()) << "\n";
    } else if (auto* field = dynamic_cast<const kit::TextField*>(&view)) {
        out << "  field" << nameSuffix(view) << " " << fieldContents(*field) << "\n";
        return;
    } else if (auto* text = dynamic_cast<const kit::TextView*>(&view)) {
        out << "  field" << nameSuffix(view) << " " << quoted(text->text()) << "\n";
        return;
    } else if (auto* box = dynamic_cast<const UICheckBox*>(&view)) {
        out << "  checkbox" << nameSuffix(view) << " " << quoted(box->text())
            << (box->checked() ? " checked" : " unchecked") << "\n";
        return;
    } else if (auto* picker = dynamic_cast<const kit::DatePicker*>(&view)) {
        out << "  picker" << nameSuffix(view) << " " << quoted(picker->displayText()) << "\n";
        return;
    } else if (auto* button = dynamic_cast<const kit::Button*>(&view)) {
        std::string text = buttonText(*button);
        out << "  button" << nameSuffix(view) << " " << quoted(text);
        if (!button->isEnabled())
            out << " disabled";
        if (button->isSelected())
            out << " selected";
        out << "\n";
        // Its text is printed above; a row-wide button may also hold the
        // value it sets (the purchase's discount way and amounts).
        describeValueLabels(*button, text, out);
        return;
    }
    for (const auto& sub : view.subviews())
        describeTree(*sub, out);
}

} // namespace

std::shared_ptr<kit::ViewController> ScreenInspector::topViewController(const kit::Window& window)
{
    auto controller = window.rootViewController();
    while (controller) {
        if (auto tabs = std::dynamic_pointer_cast<kit::TabBarController>(controller)) {
            auto selected = tabs->selectedViewController();
            if (!selected)
                break;
            controller = selected;
        } else if (auto navigation = std::dynamic_pointer_cast<kit::NavigationController>(controller)) {
            auto top = navigation->topViewController();
            if (!top)
                break;
            controller = top;
        } else {
            break;
        }
    }
    return controller;
}

std::string ScreenInspector::className(const kit::ViewController& controller)
{
    return demangle(typeid(controller));
}

std::string ScreenInspector::describe(const kit::Window& window)
{
    std::ostringstream out;
    auto top = topViewController(window);
    out << "show " << (top ? className(*top) : std::string("(none)")) << "\n";
    describeTree(window, out);
    // Alerts are not views of the window, yet they cover it.
    if (auto alert = kit::AlertView::visibleAlert()) {
        out << "  alert " << quoted(alert->title()) << " " << quoted(alert->message()) << "\n";
        for (const auto& field : alert->textFields())
            out << "    field " << fieldContents(*field) << "\n";
        for (int i = 0; i < alert->numberOfButtons(); ++i)
            out << "    button " << i << " " << quoted(alert->buttonTitleAtIndex(i)) << "\n";
    }
    return out.str();
}
