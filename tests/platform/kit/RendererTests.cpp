#include "platform/foundation/RunLoop.h"
#include "platform/graphics/FakeTextMeasurer.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/TextMeasurer.h"
#include "platform/kit/ActivityIndicatorView.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Button.h"
#include "platform/kit/Caret.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Label.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TableViewCell.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextView.h"
#include "platform/kit/View.h"
#include "platform/kit/ViewController.h"
#include "platform/kit/Window.h"
#include "support/ImageSamples.h"

#include <algorithm>
#include <cairo.h>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>

using namespace kit;
using graphics::Color;
using graphics::Rect;

namespace {

const Color green = Color::fromRgb24(0x3aaa24);

class Rows : public TableViewDataSource {
public:
    int tableViewNumberOfRowsInSection(TableView&, int) override { return 10; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(
        TableView& table, IndexPath indexPath) override
    {
        auto cell = table.dequeueReusableCellWithIdentifier("row");
        if (!cell)
            cell = std::make_shared<TableViewCell>(TableViewCellStyle::Default, "row");
        cell->textLabel()->setText("第" + std::to_string(indexPath.row + 1) + "行 会员");
        return cell;
    }
};

// One screen of the kinds the app shows, rendered once at scale 2.
class RenderedScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_shared<Window>(Rect(0, 0, 320, 568));
        window->setBackgroundColor(Color::white());

        auto amount = std::make_shared<Label>(Rect(10, 10, 300, 40));
        graphics::Font font = graphics::Font::systemFont(24);
        amount->setFont(font);
        AttributedString text("应付金额 88.00", font);
        text.addColor(Color::redColor(), 5, 5);
        amount->setAttributedText(text);
        window->addSubview(amount);

        auto ok = std::make_shared<Button>(ButtonType::Custom, Rect(10, 60, 140, 44));
        ok->setBackgroundImage(graphics::Image::fromColor(green), ControlState::Normal);
        ok->setBackgroundImage(graphics::Image::fromColor(Color::redColor()), ControlState::Highlighted);
        ok->setTitle("确定", ControlState::Normal);
        ok->setTitleColor(Color::white(), ControlState::Normal);
        window->addSubview(ok);
        pressed = std::make_shared<Button>(ButtonType::Custom, Rect(160, 60, 40, 44));
        pressed->setBackgroundImage(graphics::Image::fromColor(green), ControlState::Normal);
        pressed->setBackgroundImage(graphics::Image::fromColor(Color::redColor()), ControlState::Highlighted);
        pressed->setHighlighted(true);
        window->addSubview(pressed);

        auto photo = std::make_shared<ImageView>(Rect(210, 60, 40, 40));
        // A PNG as the assets folder would hold it: solid blue.
        photo->setImage(graphics::Image::fromData(support::ImageSamples::png(8, 8, 0xff0000ff)));
        window->addSubview(photo);

        auto badge = std::make_shared<View>(Rect(260, 60, 50, 50));
        badge->setBackgroundColor(Color::white());
        badge->layer().setCornerRadius(10);
        badge->layer().setBorderWidth(2);
        badge->layer().setBorderColor(Color::black());
        window->addSubview(badge);

        auto hidden = std::make_shared<View>(Rect(0, 110, 320, 10));
        hidden->setBackgroundColor(Color::redColor());
        hidden->setHidden(true);
        window->addSubview(hidden);
        auto dim = std::make_shared<View>(Rect(0, 110, 20, 10));
        dim->setBackgroundColor(Color::black());
        dim->setAlpha(0.5);
        window->addSubview(dim);

        table = std::make_shared<TableView>(Rect(0, 120, 320, 448));
        table->setRowHeight(44);
        table->setDataSource(rows);
        window->addSubview(table);
        table->reloadData();
        View::runPendingPasses();

        image = Renderer(2).renderImage(*window);
        ASSERT_TRUE(image);
    }

    // Point coordinates; the image is at scale 2.
    Color at(double x, double y) const
    {
        return image->pixelAt(static_cast<int>(x * 2), static_cast<int>(y * 2));
    }
    int count(const Rect& r, const std::function<bool(const Color&)>& match) const
    {
        int n = 0;
        for (int y = static_cast<int>(r.minY() * 2); y < r.maxY() * 2; ++y)
            for (int x = static_cast<int>(r.minX() * 2); x < r.maxX() * 2; ++x)
                n += match(image->pixelAt(x, y));
        return n;
    }
    static bool dark(const Color& c) { return c.red() < 0.3 && c.green() < 0.3 && c.blue() < 0.3; }
    static bool reddish(const Color& c) { return c.red() > 0.8 && c.green() < 0.3 && c.blue() < 0.3; }
    static bool near(const Color& a, const Color& b)
    {
        return std::abs(a.red() - b.red()) < 0.02 && std::abs(a.green() - b.green()) < 0.02
            && std::abs(a.blue() - b.blue()) < 0.02;
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<Button> pressed;
    std::shared_ptr<TableView> table;
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<const graphics::Image> image;
};

} // namespace

TEST_F(RenderedScreen, IsTheWindowAtTwiceItsPointSize)
{
    EXPECT_EQ(image->pixelWidth(), 640);
    EXPECT_EQ(image->pixelHeight(), 1136);
}

TEST_F(RenderedScreen, ChineseLabelTextShowsWithItsColourRun)
{
    EXPECT_GT(count({ 10, 10, 110, 40 }, dark), 100) << "the Chinese glyphs before the run";
    EXPECT_GT(count({ 10, 10, 300, 40 }, reddish), 50) << "the amount in red";
    EXPECT_EQ(count({ 10, 10, 100, 40 }, reddish), 0) << "the run starts after the words";
}

TEST_F(RenderedScreen, ButtonsShowTheBackgroundOfTheirStateUnderTheirTitle)
{
    EXPECT_TRUE(near(at(12, 62), green));
    EXPECT_TRUE(near(at(148, 102), green)) << "the one-pixel image stretches to the corners";
    EXPECT_GT(count({ 10, 60, 140, 44 }, [](const Color& c) { return near(c, Color::white()); }), 50)
        << "the white title over the green";
    EXPECT_TRUE(near(at(180, 80), Color::redColor())) << "highlighted background";
}

TEST_F(RenderedScreen, ImagesBordersAndHiddenOrFadedViews)
{
    EXPECT_TRUE(near(at(230, 80), Color::blueColor()));
    EXPECT_TRUE(near(at(261, 85), Color::black())) << "border on the left edge";
    EXPECT_TRUE(near(at(260.5, 60.5), Color::white())) << "the rounded corner leaves the window showing";
    EXPECT_TRUE(near(at(285, 85), Color::white()));
    EXPECT_EQ(count({ 20, 110, 300, 10 }, reddish), 0) << "a hidden view is not painted";
    EXPECT_TRUE(near(at(10, 115), Color::fromWhite(0.5))) << "alpha 0.5 black over white";
}

TEST_F(RenderedScreen, TableRowsShowTheirCellsAndSeparators)
{
    EXPECT_GT(count({ 15, 120, 200, 44 }, dark), 50) << "first row text";
    EXPECT_GT(count({ 15, 120 + 9 * 44, 200, 44 }, dark), 50) << "tenth row text";
    EXPECT_TRUE(near(at(100, 120 + 44 - 0.25), Color::fromRgb24(0xc8c7cc))) << "separator under row 1";
    EXPECT_FALSE(near(at(5, 120 + 44 - 0.25), Color::fromRgb24(0xc8c7cc))) << "separator starts at the inset";
}

TEST_F(RenderedScreen, ScrolledTableShowsLaterRowsAndPngBytesDecode)
{
    table->setContentOffset({ 0, 44 });
    View::runPendingPasses();
    Renderer renderer(1);
    auto scrolled = renderer.renderImage(*window);
    ASSERT_TRUE(scrolled);
    EXPECT_EQ(scrolled->pixelWidth(), 320);
    // The first visible separator is now row 2's, 44 points below the top.
    EXPECT_FALSE(near(scrolled->pixelAt(100, 120 + 43), Color::white()));

    std::string png = renderer.renderPng(*window);
    auto decoded = graphics::Image::fromData(png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixelAt(230, 80), scrolled->pixelAt(230, 80));
    EXPECT_FALSE(renderer.renderPngFile(*window, "/nonexistent-dir/shot.png"));
}

TEST(Renderer, NavigationBarShowsItsBackgroundImageAndTitleOverTheScreen)
{
    auto window = std::make_shared<Window>(Rect(0, 0, 320, 568));
    auto screen = std::make_shared<ViewController>();
    screen->setTitle("会员详情");
    auto navigation = std::make_shared<NavigationController>(screen);
    window->setRootViewController(navigation);
    screen->view()->setBackgroundColor(Color::white());
    navigation->navigationBar()->setBackgroundImage(graphics::Image::fromColor(Color::blueColor()));
    View::runPendingPasses();

    auto image = Renderer(1).renderImage(*window);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelAt(3, 3), Color::blueColor());
    EXPECT_EQ(image->pixelAt(3, 300), Color::white()) << "the screen under the bar";
    int titleInk = 0;
    for (int x = 100; x < 220; ++x)
        for (int y = 20; y < 64; ++y)
            titleInk += image->pixelAt(x, y) != Color::blueColor();
    EXPECT_GT(titleInk, 30) << "the title drawn on the bar";
}

TEST_F(RenderedScreen, VisibleAlertIsDrawnOverTheDimmedWindowOnlyWhileShown)
{
    // A toast, which must be read while the alert is up.
    auto floating = std::make_shared<View>(Rect(0, 540, 40, 20));
    floating->setBackgroundColor(Color::redColor());
    floating->setFloatsAboveAlerts(true);
    window->addSubview(floating);
    auto alert = AlertView::create("提示", "key无效,请重新设置！", {}, "确定", { "取消" });
    alert->setAlertViewStyle(AlertViewStyle::SecureTextInput);
    alert->show();
    Renderer renderer(1);
    auto shown = renderer.renderImage(*window);
    renderer.setShowsAlerts(false);
    auto without = renderer.renderImage(*window);
    alert->pressButtonAtIndex(0);
    renderer.setShowsAlerts(true);
    auto after = renderer.renderImage(*window);
    AlertView::discardAll();

    ASSERT_TRUE(shown && without && after);
    EXPECT_NEAR(shown->pixelAt(300, 550).red(), 0.6, 0.02) << "white dimmed by the backdrop";
    EXPECT_EQ(without->pixelAt(300, 550), Color::white());
    EXPECT_EQ(after->pixelAt(300, 550), Color::white()) << "a dismissed alert leaves no trace";
    EXPECT_EQ(shown->pixelAt(20, 550), Color::redColor()) << "floating views stay bright over the dimming";
    int ink = 0;
    for (int x = 40; x < 280; ++x)
        for (int y = 200; y < 370; ++y)
            ink += shown->pixelAt(x, y).red() < 0.3 && shown->pixelAt(x, y).blue() < 0.3;
    EXPECT_GT(ink, 100) << "the title and message on the panel";
}

TEST(Renderer, LayerPictureCoversItsFrameByGravityAndIsCutAtItsEdges)
{
    // Left half red, right half blue, square: filling a wide frame it is
    // scaled up and its top and bottom are cut off.
    std::vector<std::uint32_t> pixels(100);
    for (int i = 0; i < 100; ++i)
        pixels[static_cast<std::size_t>(i)] = i % 10 < 5 ? 0xffff0000u : 0xff0000ffu;
    auto picture = graphics::Image::fromPixels(10, 10, std::move(pixels), 1.0, false);
    auto view = std::make_shared<View>(Rect(0, 0, 100, 100));
    view->setBackgroundColor(Color::white());
    auto layer = std::make_shared<kit::Layer>();
    layer->setFrame({ 0, 20, 100, 50 });
    layer->setContents(picture);
    layer->setContentsGravity(kit::ContentsGravity::ResizeAspectFill);
    view->layer().addSublayer(layer);
    auto image = Renderer(1).renderImage(*view);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelAt(20, 45), Color::redColor());
    EXPECT_EQ(image->pixelAt(80, 45), Color::blueColor());
    EXPECT_EQ(image->pixelAt(20, 10), Color::white()) << "the overflow above the frame";
    EXPECT_EQ(image->pixelAt(80, 85), Color::white()) << "the overflow below the frame";
}

// Icons beside a field's text are mostly transparent, so text laid out
// under them shows through: the sign-in fields' placeholders did.
TEST(Renderer, SpinnerDrawsAtItsStyleSizeCentredWhateverItsBounds)
{
    // The refresh header gives its spinner the arrow's narrow frame, and a
    // zero one while the arrow artwork is missing.
    for (Rect frame : { Rect(42.5, 30, 15, 40), Rect(50, 50, 0, 0) }) {
        auto window = std::make_shared<Window>(Rect(0, 0, 100, 100));
        window->setBackgroundColor(Color::white());
        auto spinner = std::make_shared<ActivityIndicatorView>(ActivityIndicatorViewStyle::Gray);
        spinner->setFrame(frame);
        spinner->startAnimating();
        window->addSubview(spinner);

        auto image = Renderer(2).renderImage(*window);
        ASSERT_TRUE(image);
        double minX = 100, maxX = 0, minY = 100, maxY = 0;
        for (int y = 0; y < image->pixelHeight(); ++y)
            for (int x = 0; x < image->pixelWidth(); ++x)
                if (image->pixelAt(x, y).red() < 0.95) {
                    minX = std::min(minX, x / 2.0);
                    maxX = std::max(maxX, (x + 1) / 2.0);
                    minY = std::min(minY, y / 2.0);
                    maxY = std::max(maxY, (y + 1) / 2.0);
                }
        EXPECT_NEAR(minX, 40, 1) << frame.width() << "x" << frame.height();
        EXPECT_NEAR(maxX, 60, 1) << frame.width() << "x" << frame.height();
        EXPECT_NEAR(minY, 40, 1) << frame.width() << "x" << frame.height();
        EXPECT_NEAR(maxY, 60, 1) << frame.width() << "x" << frame.height();
    }
}

TEST(Renderer, FieldTextStartsAfterAShownLeftViewAndIsCentredInTheField)
{
    auto window = std::make_shared<Window>(Rect(0, 0, 320, 200));
    window->setBackgroundColor(Color::white());
    auto makeField = [&](double y, TextFieldViewMode mode) {
        auto field = std::make_shared<TextField>(Rect(10, y, 260, 44));
        field->setPlaceholder("请输入会员卡号");
        auto icon = std::make_shared<View>(Rect(0, 0, 36, 36));
        icon->layer().setBorderWidth(1);
        icon->layer().setBorderColor(Color::blueColor());
        field->setLeftView(icon);
        field->setLeftViewMode(mode);
        window->addSubview(field);
    };
    makeField(10, TextFieldViewMode::Always);
    makeField(70, TextFieldViewMode::WhileEditing);
    View::runPendingPasses();

    auto image = Renderer(2).renderImage(*window);
    ASSERT_TRUE(image);
    // The placeholder's grey, not the icon's blue outline or the white.
    auto ink = [&](const Rect& r) {
        int n = 0;
        for (int y = static_cast<int>(r.minY() * 2); y < r.maxY() * 2; ++y)
            for (int x = static_cast<int>(r.minX() * 2); x < r.maxX() * 2; ++x) {
                Color c = image->pixelAt(x, y);
                n += c.red() < 0.9 && c.blue() < 0.9;
            }
        return n;
    };
    EXPECT_EQ(ink({ 10, 10, 36, 44 }), 0) << "nothing under the left view";
    EXPECT_GT(ink({ 46, 10, 40, 44 }), 50) << "the placeholder right after it";
    EXPECT_EQ(ink({ 10, 10, 260, 8 }) + ink({ 10, 46, 260, 8 }), 0) << "centred in the field's height";
    EXPECT_GT(ink({ 10, 70, 36, 44 }), 50) << "a left view shown only while editing leaves the room free";
}

namespace {

// Caret pixels (the phone's blue) in a rectangle of points, at scale 2.
int caretPixels(const graphics::Image& image, const Rect& r)
{
    int n = 0;
    for (int y = static_cast<int>(r.minY() * 2); y < r.maxY() * 2; ++y)
        for (int x = static_cast<int>(r.minX() * 2); x < r.maxX() * 2; ++x) {
            Color c = image.pixelAt(x, y);
            n += c.blue() > 0.85 && c.red() < 0.2 && c.green() > 0.35 && c.green() < 0.6;
        }
    return n;
}

} // namespace

// No field showed where the typing goes: the one in edit, and only it, has
// a caret at its insertion point; an alert that is up takes it to its field.
TEST(Renderer, CaretShowsAtTheInsertionPointOfTheInputThatTakesTheKeysOnly)
{
    foundation::RunLoop::main().useVirtualClock();
    auto window = std::make_shared<Window>(Rect(0, 0, 320, 300));
    window->setBackgroundColor(Color::white());
    window->makeKeyWindow();
    auto user = std::make_shared<TextField>(Rect(10, 10, 300, 40));
    auto password = std::make_shared<TextField>(Rect(10, 60, 300, 40));
    password->setSecureTextEntry(true);
    auto remark = std::make_shared<TextView>(Rect(10, 110, 300, 100));
    for (auto view : std::initializer_list<std::shared_ptr<View>> { user, password, remark })
        window->addSubview(view);
    user->setText("boss");
    password->setText("123456");
    ASSERT_TRUE(password->becomeFirstResponder());
    Renderer renderer(2);
    auto image = renderer.renderImage(*window);
    auto caret = Renderer::caretRect(*window);
    ASSERT_TRUE(image && caret);
    EXPECT_EQ(caretPixels(*image, user->frame()) + caretPixels(*image, remark->frame()), 0);
    EXPECT_GT(caretPixels(*image, *caret), 20);
    EXPECT_EQ(caretPixels(*image, password->frame()), caretPixels(*image, *caret));
    auto bullets = graphics::TextMeasurer::shared()->sizeOfText(password->displayText(), password->font());
    EXPECT_NEAR(caret->midX(), password->frame().minX() + bullets.width, 2.0) << "after the last bullet";

    remark->becomeFirstResponder();
    remark->insertText("第一行\n第二");
    auto second = Renderer::caretRect(*window);
    ASSERT_TRUE(second);
    EXPECT_GT(second->minY(), remark->frame().minY() + 8 + second->height() * 0.9) << "on the second line";
    // A blink darkens it on screen, never in a picture of the app.
    foundation::RunLoop::main().advance(kit::Caret::blinkInterval);
    renderer.setCaretBlinks(true);
    EXPECT_EQ(caretPixels(*renderer.renderImage(*window), *second), 0);
    renderer.setCaretBlinks(false);
    EXPECT_GT(caretPixels(*renderer.renderImage(*window), *second), 20);

    auto alert = AlertView::create("设置商家key", "", {}, "确定", { "取消" });
    alert->setAlertViewStyle(AlertViewStyle::LoginAndPasswordInput);
    alert->textFieldAtIndex(1)->insertText("mbr");
    alert->show();
    alert->selectTextField(3);
    auto inAlert = Renderer::caretRect(*window);
    auto withAlert = renderer.renderImage(*window);
    renderer.setShowsAlerts(false);
    auto underAlert = renderer.renderImage(*window);
    AlertView::discardAll();
    ASSERT_TRUE(inAlert && withAlert && underAlert);
    auto fields = layOutAlert(*alert, window->bounds()).fields;
    EXPECT_TRUE(fields[1].contains(inAlert->center())) << "taken round the fields to the second";
    EXPECT_GT(inAlert->minX(), fields[1].minX() + 10) << "after the text typed there";
    EXPECT_GT(caretPixels(*withAlert, *inAlert), 10);
    EXPECT_EQ(caretPixels(*withAlert, fields[0]) + caretPixels(*underAlert, *second), 0);
}

// A text wider than its field showed its start and an ellipsis while typed
// into, with the caret pinned after the ellipsis: the keys just typed were
// not to be seen. In edit, a field shows the end of its text, as a phone's
// field scrolls to its caret; out of edit, its start.
TEST(Renderer, AFieldInEditShowsTheEndOfATextWiderThanItselfWithTheCaretAfterIt)
{
    foundation::RunLoop::main().useVirtualClock();
    std::string const start(40, 'a');
    Renderer renderer(2);
    // The pixels of each field, typed into or not, for a text that ends one
    // way and for one that ends another.
    auto paint = [&](const std::string& ending, bool inAlert) {
        auto window = std::make_shared<Window>(Rect(0, 0, 320, 300));
        window->setBackgroundColor(Color::white());
        window->makeKeyWindow();
        auto typed = std::make_shared<TextField>(Rect(10, 10, 300, 40));
        auto other = std::make_shared<TextField>(Rect(10, 60, 300, 40));
        window->addSubview(typed);
        window->addSubview(other);
        typed->setText(start + ending);
        other->setText(start + ending);
        EXPECT_TRUE(typed->becomeFirstResponder());
        std::optional<Rect> box;
        if (inAlert) {
            auto alert = AlertView::create("设置商家key", "", {}, "确定", { "取消" });
            alert->setAlertViewStyle(AlertViewStyle::LoginAndPasswordInput);
            alert->textFieldAtIndex(0)->insertText(start + ending);
            alert->show();
            alert->selectTextField(0);
            box = layOutAlert(*alert, window->bounds()).fields[0];
        }
        auto image = renderer.renderImage(*window);
        auto caret = Renderer::caretRect(*window);
        AlertView::discardAll();
        return std::make_tuple(image, caret, box);
    };
    // The part of a field's box where its text ends, clear of the caret.
    auto ending = [](const graphics::Image& image, const Rect& box, const Rect& caret) {
        std::vector<std::uint32_t> pixels;
        for (int y = static_cast<int>(box.minY() * 2); y < box.maxY() * 2; ++y)
            for (int x = static_cast<int>((box.maxX() - 40) * 2); x < caret.minX() * 2 - 1; ++x)
                pixels.push_back(image.pixelAt(x, y).premultipliedArgb());
        return pixels;
    };
    for (bool inAlert : { false, true }) {
        auto [wide, wideCaret, box] = paint("WWMM", inAlert);
        auto [narrow, narrowCaret, sameBox] = paint("iijl", inAlert);
        ASSERT_TRUE(wide && narrow && wideCaret && narrowCaret);
        Rect const field = inAlert ? *box : Rect(10, 10, 300, 40);
        EXPECT_TRUE(field.contains(wideCaret->center())) << inAlert;
        EXPECT_GT(wideCaret->minX(), field.maxX() - 12) << "the caret stands after the last letter";
        EXPECT_GT(caretPixels(*wide, *wideCaret), 10) << inAlert;
        EXPECT_NE(ending(*wide, field, *wideCaret), ending(*narrow, field, *narrowCaret))
            << "the last letters typed are shown" << (inAlert ? " in the alert's field" : "");
        if (!inAlert) {
            // Out of edit the start is shown, so the ends look alike (an ellipsis).
            Rect const idle(10, 60, 300, 40);
            EXPECT_EQ(ending(*wide, idle, *wideCaret), ending(*narrow, idle, *narrowCaret));
        }
    }
}

// A remark longer than its text view ran on under its bottom edge, cut with
// an ellipsis, with the caret down there out of sight: the view scrolls to
// the caret as the text grows, as a phone's does, and scrolls over it all.
TEST(Renderer, ATextViewInEditScrollsToItsCaretAsTheTextGrowsPastItsHeight)
{
    foundation::RunLoop::main().useVirtualClock();
    auto window = std::make_shared<Window>(Rect(0, 0, 320, 300));
    window->setBackgroundColor(Color::white());
    window->makeKeyWindow();
    auto remark = std::make_shared<TextView>(Rect(10, 10, 300, 100));
    remark->setFont(graphics::Font::systemFont(15));
    window->addSubview(remark);
    ASSERT_TRUE(remark->becomeFirstResponder());
    std::string lines;
    for (int line = 1; line <= 12; ++line)
        lines += "第" + std::to_string(line) + "行\n";
    remark->insertText(lines + "末");
    Renderer renderer(2);
    auto image = renderer.renderImage(*window);
    auto caret = Renderer::caretRect(*window);
    ASSERT_TRUE(image && caret);
    EXPECT_TRUE(remark->frame().contains(caret->center())) << "the caret is in sight";
    EXPECT_GT(caretPixels(*image, *caret), 10);
    EXPECT_GT(remark->contentSize().height, 2 * remark->frame().height()) << "as tall as the text";
    EXPECT_GT(remark->contentOffset().y, remark->frame().height());
    // The last line, not the first, is what shows: ink beside the caret.
    int ink = 0;
    for (int y = static_cast<int>(caret->minY() * 2); y < caret->maxY() * 2; ++y)
        for (int x = static_cast<int>(remark->frame().minX() * 2); x < caret->minX() * 2 - 2; ++x)
            ink += image->pixelAt(x, y).red() < 0.5;
    EXPECT_GT(ink, 20) << "the last line stands beside the caret";

    // Scrolled back to the start, typing brings the caret back in sight.
    remark->setContentOffset({ 0, 0 });
    remark->insertText("尾");
    EXPECT_GT(remark->contentOffset().y, remark->frame().height());
}

// A blink paints only the caret's pixels again, skipping the views away
// from them, yet a view's subview outside it is still painted there.
TEST(Renderer, PaintingPartOfTheWindowGivesThePixelsOfTheWholeFrameThere)
{
    auto window = std::make_shared<Window>(Rect(0, 0, 200, 200));
    auto holder = std::make_shared<View>(Rect(0, 0, 10, 10));
    auto label = std::make_shared<Label>(Rect(100, 100, 80, 30));
    label->setText("收款");
    label->setBackgroundColor(Color::redColor());
    holder->addSubview(label);
    window->addSubview(holder);
    auto paint = [&](bool part) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 200);
        cairo_t* cairo = cairo_create(surface);
        cairo_rectangle(cairo, 104, 109, part ? 40 : 96, part ? 20 : 91);
        cairo_clip(cairo);
        Renderer(1).paint(*window, cairo);
        cairo_destroy(cairo);
        std::vector<std::uint32_t> pixels;
        auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
        for (int y = 110; y < 125; ++y)
            pixels.insert(pixels.end(), data + y * 200 + 105, data + y * 200 + 140);
        cairo_surface_destroy(surface);
        return pixels;
    };
    auto whole = paint(false);
    EXPECT_EQ(paint(true), whole);
    EXPECT_NE(std::count(whole.begin(), whole.end(), whole.front()), static_cast<long>(whole.size()))
        << "the label's text is among them";
}

// The purchase's summary line was cut where the amount still due stood: a
// label that adjusts its font shows its whole text smaller, down to its floor.
TEST(Renderer, LabelShrinksItsTextToFitItsBoundsDownToItsFloor)
{
    graphics::TextMeasurer::setShared(std::make_shared<graphics::FakeTextMeasurer>());
    // At 10 points 60 letters take three lines of 20 (36 points high).
    Label label(Rect(0, 0, 100, 24));
    label.setFont(graphics::Font::systemFont(10));
    label.setNumberOfLines(0);
    label.setText(std::string(60, 'a'));
    EXPECT_EQ(label.fittedFont().pointSize(), 10) << "only when asked to";
    EXPECT_FALSE(label.showsWholeText());
    label.setAdjustsFontSizeToFitWidth(true);
    EXPECT_EQ(label.fittedFont().pointSize(), 6.5) << "the largest size at which two lines hold it";
    EXPECT_TRUE(label.showsWholeText());
    EXPECT_EQ(label.textStyle().font.pointSize(), 6.5) << "and it is painted so";
    label.setMinimumScaleFactor(0.8);
    EXPECT_EQ(label.fittedFont().pointSize(), 8);
    EXPECT_FALSE(label.showsWholeText()) << "cut below its floor";
    label.setNumberOfLines(1);
    label.setText(std::string(25, 'a'));
    EXPECT_EQ(label.fittedFont().pointSize(), 8) << "one line fits the width alone";
    graphics::TextMeasurer::setShared(nullptr);
}
