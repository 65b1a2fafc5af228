#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/kit/Caret.h"
#include "platform/kit/DisplayGeneration.h"
#include "platform/kit/Keyboard.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/ViewController.h"
#include "platform/kit/Window.h"
#include "support/InputDriver.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using kit::TextField;
using kit::TextRange;
using support::InputDriver;

namespace {

// Records what a field asks its delegate and answers as the test says.
class RecordingDelegate : public kit::TextFieldDelegate {
public:
    std::vector<std::string> calls;
    std::vector<std::pair<TextRange, std::string>> changes;
    bool allowDigitsOnly = false;
    bool allowBegin = true;
    bool allowEnd = true;
    bool allowClear = true;

    bool textFieldShouldBeginEditing(TextField&) override
    {
        calls.push_back("shouldBegin");
        return allowBegin;
    }
    void textFieldDidBeginEditing(TextField&) override { calls.push_back("didBegin"); }
    bool textFieldShouldEndEditing(TextField&) override
    {
        calls.push_back("shouldEnd");
        return allowEnd;
    }
    void textFieldDidEndEditing(TextField&) override { calls.push_back("didEnd"); }
    bool textFieldShouldChangeCharactersInRange(TextField&, TextRange range, const std::string& text) override
    {
        changes.emplace_back(range, text);
        if (!allowDigitsOnly)
            return true;
        return text.find_first_not_of("0123456789") == std::string::npos;
    }
    bool textFieldShouldClear(TextField&) override
    {
        calls.push_back("shouldClear");
        return allowClear;
    }
};

class TextInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::RunLoop::main().useVirtualClock();
        kit::Keyboard::shared().reset();
        window = std::make_shared<kit::Window>(graphics::Rect(0, 0, 320, 568));
        for (auto* field : { &first, &second }) {
            *field = std::make_shared<TextField>(graphics::Rect(10, 10, 200, 30));
            window->addSubview(*field);
        }
        first->setDelegate(delegate);
        for (const char* name :
            { kit::Keyboard::willShowNotification, kit::Keyboard::willHideNotification }) {
            subscriptions.push_back(foundation::NotificationCenter::defaultCenter().addObserverForName(
                name, nullptr, [this](const foundation::Notification& note) {
                    posted.push_back(note.name);
                    lastUserInfo = note.userInfo;
                }));
        }
    }
    void TearDown() override { kit::Keyboard::shared().reset(); }

    std::shared_ptr<kit::Window> window;
    std::shared_ptr<TextField> first;
    std::shared_ptr<TextField> second;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::vector<foundation::Subscription> subscriptions;
    std::vector<std::string> posted;
    nlohmann::ordered_json lastUserInfo;
};

// The caret must say where typing goes without costing an idle window: it
// blinks only while an input takes the keys, typing relights it, and a
// blink is no change a painter must repaint the whole window for.
TEST_F(TextInputTest, caretBlinksOnlyWhileAnInputTakesTheKeysAndTypingRelightsIt)
{
    window->makeKeyWindow();
    auto& loop = foundation::RunLoop::main();
    ASSERT_TRUE(first->becomeFirstResponder());
    auto shown = kit::DisplayGeneration::current();
    loop.advance(kit::Caret::blinkInterval);
    EXPECT_FALSE(kit::Caret::isLit());
    EXPECT_EQ(kit::DisplayGeneration::current(), shown);
    loop.advance(kit::Caret::blinkInterval * 0.6);
    first->insertText("7");
    loop.advance(kit::Caret::blinkInterval * 0.6);
    EXPECT_TRUE(kit::Caret::isLit()) << "typing lights it for a whole interval";
    first->resignFirstResponder();
    loop.advance(kit::Caret::blinkInterval);
    auto blinks = kit::Caret::blinks();
    loop.advance(kit::Caret::blinkInterval * 4);
    EXPECT_EQ(kit::Caret::blinks(), blinks) << "nothing takes the keys: no blink";
    EXPECT_TRUE(kit::Caret::isLit());
}

TEST_F(TextInputTest, refusedKeystrokeLeavesTextCaretAndEventsAlone)
{
    delegate->allowDigitsOnly = true;
    int editingChanged = 0;
    first->addAction([&](kit::Control&) { ++editingChanged; }, kit::ControlEvent::EditingChanged);

    EXPECT_EQ(InputDriver::type(*first, "1a2"), 2u);
    EXPECT_EQ(first->text(), "12");
    EXPECT_EQ(first->selectedRange(), (TextRange { 2, 0 }));
    EXPECT_EQ(editingChanged, 2);
    // Every keystroke was asked about, the refused one included, at the caret.
    ASSERT_EQ(delegate->changes.size(), 3u);
    EXPECT_EQ(delegate->changes[1], std::make_pair(TextRange { 1, 0 }, std::string("a")));
    EXPECT_EQ(delegate->changes[2], std::make_pair(TextRange { 1, 0 }, std::string("2")));
}

TEST_F(TextInputTest, rangesCountUtf16UnitsAndDeleteTakesWholePairs)
{
    first->setText("a\xF0\x9F\x98\x80"); // "a" and one emoji: 3 UTF-16 units
    InputDriver::type(*first, "\xE5\x85\x83"); // one CJK unit
    EXPECT_EQ(delegate->changes.back().first, (TextRange { 3, 0 }));

    first->setSelectedRange({ 3, 0 });
    EXPECT_EQ(InputDriver::deleteBackward(*first), 1u);
    EXPECT_EQ(delegate->changes.back(), std::make_pair(TextRange { 1, 2 }, std::string()));
    EXPECT_EQ(first->text(), "a\xE5\x85\x83");

    // A caret placed inside the pair never splits it.
    first->setText("\xF0\x9F\x98\x80");
    first->setSelectedRange({ 1, 0 });
    EXPECT_EQ(first->selectedRange().location, 0u);
}

TEST_F(TextInputTest, typingAtAPositionGoesThereAndDeleteAtStartAsksNothing)
{
    first->setText("123");
    InputDriver::typeAt(*first, 0, ".");
    EXPECT_EQ(first->text(), ".123");
    EXPECT_EQ(delegate->changes.back().first, (TextRange { 0, 0 }));

    first->setSelectedRange({ 0, 0 });
    std::size_t asked = delegate->changes.size();
    EXPECT_EQ(InputDriver::deleteBackward(*first), 0u);
    EXPECT_EQ(delegate->changes.size(), asked);
}

TEST_F(TextInputTest, pasteIsOneReplacementAndClearingAsksFirst)
{
    delegate->allowDigitsOnly = true;
    EXPECT_FALSE(InputDriver::paste(*first, "12.5"));
    EXPECT_TRUE(InputDriver::paste(*first, "125"));
    EXPECT_EQ(delegate->changes.size(), 2u);

    delegate->allowClear = false;
    EXPECT_FALSE(InputDriver::clear(*first));
    EXPECT_EQ(first->text(), "125");
    delegate->allowClear = true;
    EXPECT_TRUE(InputDriver::clear(*first));
    EXPECT_EQ(first->text(), "");
    EXPECT_EQ(first->displayText(), first->placeholder());
}

TEST_F(TextInputTest, editingBeginsAndEndsOnlyWhenTheDelegateAllows)
{
    ASSERT_TRUE(first->becomeFirstResponder());
    EXPECT_TRUE(first->isFirstResponder());
    delegate->allowEnd = false;
    EXPECT_FALSE(first->resignFirstResponder());
    EXPECT_TRUE(first->isFirstResponder());
    // Another field cannot take focus from one that refuses to end.
    EXPECT_FALSE(second->becomeFirstResponder());
    EXPECT_TRUE(first->isFirstResponder());

    EXPECT_EQ(InputDriver::type(*second, "1"), 0u);
    EXPECT_EQ(second->text(), "");

    delegate->allowEnd = true;
    EXPECT_TRUE(first->resignFirstResponder());
    EXPECT_EQ(delegate->calls,
        (std::vector<std::string> {
            "shouldBegin", "didBegin", "shouldEnd", "shouldEnd", "shouldEnd", "shouldEnd", "didEnd" }));

    second->setEnabled(false);
    EXPECT_EQ(InputDriver::type(*second, "1"), 0u);
}

TEST_F(TextInputTest, forcedEndEditingOverrulesADelegateThatWillNotLetGo)
{
    ASSERT_TRUE(first->becomeFirstResponder());
    delegate->allowEnd = false;
    EXPECT_FALSE(window->endEditing(false));
    EXPECT_TRUE(first->isFirstResponder());

    EXPECT_TRUE(window->endEditing(true));
    EXPECT_FALSE(first->isFirstResponder());
    EXPECT_FALSE(first->isEditing());
    EXPECT_EQ(delegate->calls,
        (std::vector<std::string> { "shouldBegin", "didBegin", "shouldEnd", "shouldEnd", "didEnd" }));
    EXPECT_FALSE(kit::Keyboard::shared().isVisible());
    EXPECT_EQ(posted.back(), kit::Keyboard::willHideNotification);
    EXPECT_TRUE(second->becomeFirstResponder());
}

TEST_F(TextInputTest, keyboardShowsOnceAcrossFocusMovesAndHidesWithTheLast)
{
    first->becomeFirstResponder();
    ASSERT_EQ(posted, (std::vector<std::string> { kit::Keyboard::willShowNotification }));
    const auto& end = lastUserInfo[kit::Keyboard::frameEndUserInfoKey];
    EXPECT_EQ(end["height"].get<double>(), 216);
    EXPECT_EQ(end["y"].get<double>(), 568 - 216);

    second->becomeFirstResponder();
    EXPECT_EQ(posted.size(), 1u);
    EXPECT_TRUE(second->isFirstResponder());

    second->resignFirstResponder();
    EXPECT_EQ(posted.back(), kit::Keyboard::willHideNotification);
    EXPECT_FALSE(kit::Keyboard::shared().isVisible());

    // Leaving the window takes the keyboard away, even from a field whose
    // delegate would not let it go.
    first->becomeFirstResponder();
    delegate->allowEnd = false;
    first->removeFromSuperview();
    EXPECT_EQ(posted.size(), 4u);
    EXPECT_EQ(posted.back(), kit::Keyboard::willHideNotification);
    EXPECT_EQ(delegate->calls.back(), "didEnd");
    EXPECT_FALSE(first->isEditing());
}

TEST_F(TextInputTest, delegateHearsOfEditingBeforeTheKeyboardComesUp)
{
    auto heard = foundation::NotificationCenter::defaultCenter().addObserverForName(
        kit::Keyboard::willShowNotification, nullptr,
        [this](const foundation::Notification&) { delegate->calls.push_back("willShow"); });
    ASSERT_TRUE(first->becomeFirstResponder());
    EXPECT_EQ(delegate->calls, (std::vector<std::string> { "shouldBegin", "didBegin", "willShow" }));

    // A delegate that ends editing as it begins leaves the keyboard down.
    first->resignFirstResponder();
    struct EndsAtOnce : RecordingDelegate {
        void textFieldDidBeginEditing(TextField& field) override { field.resignFirstResponder(); }
    };
    auto quitter = std::make_shared<EndsAtOnce>();
    second->setDelegate(quitter);
    posted.clear();
    second->becomeFirstResponder();
    EXPECT_FALSE(second->isFirstResponder());
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(kit::Keyboard::shared().isVisible());
}

TEST_F(TextInputTest, fieldMovedOutOfTheWindowWhileFocusedLetsOthersTakeFocus)
{
    auto panel = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 100));
    window->addSubview(panel);
    panel->addSubview(first);
    ASSERT_TRUE(first->becomeFirstResponder());
    delegate->allowEnd = false;

    // Moved, not removed: a panel outside any window takes the field's panel.
    auto offscreen = std::make_shared<kit::View>(graphics::Rect(0, 0, 320, 100));
    offscreen->addSubview(panel);
    EXPECT_EQ(window->firstResponder(), nullptr);
    EXPECT_FALSE(first->isEditing());
    EXPECT_EQ(delegate->calls.back(), "didEnd");
    EXPECT_FALSE(kit::Keyboard::shared().isVisible());

    EXPECT_TRUE(second->becomeFirstResponder());
    EXPECT_TRUE(second->isFirstResponder());
    // Back in the window, it takes focus only when asked.
    window->addSubview(panel);
    EXPECT_TRUE(second->isFirstResponder());
}

TEST_F(TextInputTest, focusAskedBeforeTheWindowArrivesIsTakenThen)
{
    auto later = std::make_shared<TextField>(graphics::Rect(0, 0, 100, 30));
    auto laterDelegate = std::make_shared<RecordingDelegate>();
    later->setDelegate(laterDelegate);
    EXPECT_TRUE(later->becomeFirstResponder());
    EXPECT_TRUE(posted.empty());
    EXPECT_TRUE(laterDelegate->calls.empty());

    window->addSubview(later);
    EXPECT_TRUE(later->isFirstResponder());
    EXPECT_EQ(laterDelegate->calls, (std::vector<std::string> { "shouldBegin", "didBegin" }));
    EXPECT_EQ(posted.size(), 1u);

    // The delegate's answer on arrival is the one that counts.
    auto refused = std::make_shared<TextField>(graphics::Rect(0, 0, 100, 30));
    auto refusing = std::make_shared<RecordingDelegate>();
    refusing->allowBegin = false;
    refused->setDelegate(refusing);
    EXPECT_TRUE(refused->becomeFirstResponder());
    window->addSubview(refused);
    EXPECT_FALSE(refused->isFirstResponder());
    EXPECT_TRUE(later->isFirstResponder());
    EXPECT_EQ(refusing->calls, (std::vector<std::string> { "shouldBegin" }));

    // A resign before arrival cancels the request.
    auto withdrawn = std::make_shared<TextField>(graphics::Rect(0, 0, 100, 30));
    withdrawn->becomeFirstResponder();
    withdrawn->resignFirstResponder();
    window->addSubview(withdrawn);
    EXPECT_TRUE(later->isFirstResponder());
}

TEST_F(TextInputTest, textViewTakesLineBreaksThroughItsDelegate)
{
    struct NoBlankLines : kit::TextViewDelegate {
        int changes = 0;
        bool textViewShouldChangeTextInRange(kit::TextView& view, TextRange, const std::string& text) override
        {
            return !(text == "\n" && !view.text().empty() && view.text().back() == '\n');
        }
        void textViewDidChange(kit::TextView&) override { ++changes; }
    };
    auto view = std::make_shared<kit::TextView>(graphics::Rect(0, 100, 300, 100));
    auto viewDelegate = std::make_shared<NoBlankLines>();
    view->setDelegate(viewDelegate);
    window->addSubview(view);

    EXPECT_EQ(InputDriver::type(*view, "a\n\nb"), 3u);
    EXPECT_EQ(view->text(), "a\nb");
    EXPECT_EQ(viewDelegate->changes, 3);
    EXPECT_EQ(posted.size(), 1u);
}

} // namespace

namespace {

// A small list screen wired the way the app's screens are: the screen is the
// field's delegate and the table's data source, and reacts to the keyboard.
class SearchScreen : public kit::ViewController,
                     public kit::TextFieldDelegate,
                     public kit::TableViewDataSource,
                     public kit::TableViewDelegate {
public:
    std::vector<std::string> results { "甲", "乙", "丙" };
    std::vector<std::string> events;
    double keyboardHeight = 0;

    void viewDidLoad() override
    {
        auto self = std::dynamic_pointer_cast<SearchScreen>(shared_from_this());
        field = std::make_shared<kit::TextField>(graphics::Rect(10, 70, 300, 30));
        field->setName("searchField");
        field->setDelegate(std::static_pointer_cast<kit::TextFieldDelegate>(self));
        view()->addSubview(field);
        table = std::make_shared<kit::TableView>(graphics::Rect(0, 110, 320, 458));
        table->setName("resultTable");
        table->setDataSource(std::static_pointer_cast<kit::TableViewDataSource>(self));
        table->setDelegate(std::static_pointer_cast<kit::TableViewDelegate>(self));
        table->registerCellFactory("cell",
            [] { return std::make_shared<kit::TableViewCell>(kit::TableViewCellStyle::Default, "cell"); });
        view()->addSubview(table);
        std::weak_ptr<SearchScreen> weak = self;
        keyboard = foundation::NotificationCenter::defaultCenter().addObserverForName(
            kit::Keyboard::willShowNotification, nullptr, [weak](const foundation::Notification& note) {
                if (auto screen = weak.lock())
                    screen->keyboardHeight
                        = note.userInfo[kit::Keyboard::frameEndUserInfoKey]["height"].get<double>();
            });
    }
    void viewWillAppear(bool) override { field->becomeFirstResponder(); }

    bool textFieldShouldReturn(kit::TextField& f) override
    {
        events.push_back("search " + f.text());
        f.resignFirstResponder();
        return true;
    }
    int tableViewNumberOfRowsInSection(kit::TableView&, int) override
    {
        return static_cast<int>(results.size());
    }
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& t, kit::IndexPath p) override
    {
        auto cell = t.dequeueReusableCellWithIdentifier("cell", p);
        cell->textLabel()->setText(results[static_cast<std::size_t>(p.row)]);
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(kit::TableView&, kit::IndexPath p) override
    {
        events.push_back("open " + results[static_cast<std::size_t>(p.row)]);
        navigationController()->pushViewController(std::make_shared<kit::ViewController>(), true);
    }

    std::shared_ptr<kit::TextField> field;
    std::shared_ptr<kit::TableView> table;
    foundation::Subscription keyboard;
};

class InputScreenTest : public support::ScreenTest {
protected:
    void SetUp() override { InputDriver::resetState(); }
    void TearDown() override { InputDriver::resetState(); }
};

TEST_F(InputScreenTest, screenGetsTheKeyboardOnAppearanceAndItsRowsByFinger)
{
    auto screen = std::make_shared<SearchScreen>();
    auto navigation = std::make_shared<kit::NavigationController>(screen);
    harness.show(navigation);

    EXPECT_TRUE(screen->field->isFirstResponder());
    EXPECT_EQ(screen->keyboardHeight, kit::Keyboard::defaultHeight);
    InputDriver::type(*screen->field, "会员\n");
    EXPECT_EQ(screen->events, (std::vector<std::string> { "search 会员" }));
    EXPECT_FALSE(kit::Keyboard::shared().isVisible());

    ASSERT_EQ(screen->table->visibleCells().size(), 3u);
    EXPECT_TRUE(harness.tap(*screen->table->cellForRowAtIndexPath({ 0, 1 })));
    EXPECT_EQ(screen->events.back(), "open 乙");
    EXPECT_EQ(navigation->viewControllers().size(), 2u);
}

} // namespace
