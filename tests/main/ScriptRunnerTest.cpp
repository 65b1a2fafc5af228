#include "main/ScriptRunner.h"

#include "api/Constants.h"
#include "api/DesCipher.h"
#include "cashier/ScanViewController.h"
#include "hud/ProgressHUD.h"
#include "hud/ToastView.h"
#include "main/TracingTransport.h"
#include "main/Transcript.h"
#include "main/WindowInput.h"
#include "platform/capture/CaptureDevice.h"
#include "platform/capture/MemoryFrameSource.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Strings.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/Application.h"
#include "platform/kit/BarButtonItem.h"
#include "platform/kit/Button.h"
#include "platform/kit/LocalNotification.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TableViewCell.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/TableViewDelegate.h"
#include "platform/kit/TextField.h"
#include "platform/kit/TextFieldDelegate.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/URLConnection.h"
#include "refresh/RefreshBackNormalFooter.h"
#include "refresh/RefreshNormalHeader.h"
#include "refresh/ScrollViewRefresh.h"
#include "support/ScreenTest.h"
#include "ui/ScanViewControllerDelegate.h"
#include "ui/UICheckBox.h"

#include <gmock/gmock.h>
#include <sstream>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Takes letters only, as the app's amount fields take digits only: what the
// runner types must pass the delegate key by key.
class LettersOnly : public kit::TextFieldDelegate {
public:
    bool textFieldShouldChangeCharactersInRange(
        kit::TextField&, kit::TextRange, const std::string& text) override
    {
        return text.find_first_of("0123456789") == std::string::npos;
    }
};

class CheckBoxListener : public UICheckBoxDelegate {
public:
    std::vector<bool> heard;
    void onChangeIsChecked(UICheckBox&, bool isChecked) override { heard.push_back(isChecked); }
};

} // namespace

// Outside the anonymous namespace: the transcript names screens by class.
class SampleScreen : public kit::ViewController,
                     public kit::TableViewDataSource,
                     public kit::TableViewDelegate,
                     public ScanViewControllerDelegate {
public:
    std::vector<std::string> taps;
    std::vector<std::string> scanned;
    void scanCallback(const std::string& code) override { scanned.push_back(code); }
    std::vector<int> rowsSelected;
    std::shared_ptr<kit::Button> farButton;

    void loadView() override
    {
        auto root = std::make_shared<kit::View>(graphics::Rect { 0, 0, 320, 568 });
        auto button = [&](const char* name, const char* title, double y) {
            auto b
                = std::make_shared<kit::Button>(kit::ButtonType::Custom, graphics::Rect { 10, y, 140, 40 });
            b->setName(name);
            b->setTitle(title, kit::ControlState::Normal);
            b->addAction([this, name = std::string(name)](kit::Control&) { taps.push_back(name); },
                kit::ControlEvent::TouchUpInside);
            root->addSubview(b);
            return b;
        };
        button("btnOK", "确定", 20);
        button("btnHidden", "隐藏", 70)->setHidden(true);
        button("btnOff", "不可用", 120)->setEnabled(false);
        // Past the window's right edge, as the guide's last page is.
        farButton = button("btnFar", "远处", 170);
        farButton->setFrame({ 1000, 170, 140, 40 });

        auto field = std::make_shared<kit::TextField>(graphics::Rect { 10, 220, 300, 40 });
        field->setName("nameField");
        field->setDelegate(m_lettersOnly);
        root->addSubview(field);

        auto table = std::make_shared<kit::TableView>(graphics::Rect { 0, 300, 320, 268 });
        table->setName("list");
        table->setDataSource(std::static_pointer_cast<SampleScreen>(shared_from_this()));
        table->setDelegate(std::static_pointer_cast<SampleScreen>(shared_from_this()));
        root->addSubview(table);
        setView(root);
    }

    int tableViewNumberOfRowsInSection(kit::TableView&, int) override { return 3; }
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView&, kit::IndexPath path) override
    {
        auto cell = std::make_shared<kit::TableViewCell>(kit::TableViewCellStyle::Default);
        cell->textLabel()->setText("第" + std::to_string(path.row) + "行");
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(kit::TableView&, kit::IndexPath path) override
    {
        rowsSelected.push_back(path.row);
    }

private:
    std::shared_ptr<LettersOnly> m_lettersOnly = std::make_shared<LettersOnly>();
};

class PushedScreen : public kit::ViewController { };

namespace {

class ScriptRunnerTest : public support::ScreenTest {
protected:
    void SetUp() override
    {
        screen = std::make_shared<SampleScreen>();
        navigation = std::make_shared<kit::NavigationController>(screen);
        harness.show(navigation);
        transcript = std::make_unique<Transcript>([this](const std::string& line) { lines.push_back(line); });
        net::Transport::install(tracing);
        transcript->refresh();
        lines.clear();
    }
    void TearDown() override
    {
        net::Transport::install(nullptr);
        capture::CaptureDevice::setVirtualDefaultDevice(nullptr);
    }

    int run(const std::string& script, bool stopAtError = true)
    {
        ScriptRunner::Environment environment { transcript.get(), [this] { return tracing->inFlight(); },
            camera, true };
        environment.stopAtError = stopAtError;
        ScriptRunner runner(environment);
        std::istringstream in(script);
        return runner.run(in);
    }

    std::shared_ptr<SampleScreen> screen;
    std::shared_ptr<kit::NavigationController> navigation;
    std::vector<std::string> lines;
    std::unique_ptr<Transcript> transcript;
    std::shared_ptr<net::FakeTransport> fake = std::make_shared<net::FakeTransport>();
    std::shared_ptr<TracingTransport> tracing = std::make_shared<TracingTransport>(fake, nullptr);
    std::shared_ptr<capture::MemoryFrameSource> camera = std::make_shared<capture::MemoryFrameSource>();
};

TEST_F(ScriptRunnerTest, failing_command_stops_the_run_with_its_line_number_and_status_2)
{
    EXPECT_EQ(run("# a comment\n\n   \ntap btnOK\nfrobnicate now\ntap btnOK\n"), 2);
    EXPECT_THAT(screen->taps, ElementsAre("btnOK"));
    EXPECT_THAT(lines, ElementsAre("error 5: unknown command frobnicate"));

    // At a terminal the run goes on, but the status still tells.
    EXPECT_EQ(run("frobnicate\ntap btnOK\n", false), 2);
    EXPECT_THAT(screen->taps, ElementsAre("btnOK", "btnOK"));
}

TEST_F(ScriptRunnerTest, tap_finds_by_outlet_name_then_by_title_and_refuses_what_no_finger_could_press)
{
    EXPECT_EQ(run("tap btnOK\ntap 确定\ntap btnFar\n"), 0);
    // The control past the window's edge still gets its touch-up-inside.
    EXPECT_THAT(screen->taps, ElementsAre("btnOK", "btnOK", "btnFar"));

    EXPECT_EQ(run("tap btnHidden"), 2);
    EXPECT_EQ(run("tap btnOff"), 2);
    EXPECT_EQ(run("tap nothing"), 2);
    EXPECT_THAT(screen->taps, ElementsAre("btnOK", "btnOK", "btnFar"));
    EXPECT_THAT(lines,
        ElementsAre("error 1: no visible control named or titled btnHidden", "error 1: btnOff is disabled",
            "error 1: no visible control named or titled nothing"));
}

TEST_F(ScriptRunnerTest, a_view_that_handles_its_own_touches_is_tapped_by_a_finger_and_shown_with_its_state)
{
    auto box = std::make_shared<UICheckBox>("记住登录账号", graphics::Rect { 160, 265, 130, 30 });
    box->setName("cb");
    auto listener = std::make_shared<CheckBoxListener>();
    box->setDelegate(listener);
    screen->view()->addSubview(box);

    EXPECT_EQ(run("tap cb\nshow\ntap cb\n"), 0);
    EXPECT_FALSE(box->checked());
    EXPECT_THAT(listener->heard, ElementsAre(true, false));
    EXPECT_THAT(lines, Contains("  checkbox cb \"记住登录账号\" checked"));

    // It knows no touch-up-inside to fall back on when covered.
    screen->view()->addSubview(std::make_shared<kit::View>(graphics::Rect { 150, 260, 160, 40 }));
    EXPECT_EQ(run("tap cb"), 2);
    EXPECT_THAT(listener->heard, ElementsAre(true, false));
}

TEST_F(ScriptRunnerTest, an_alert_up_blocks_the_screen_until_a_button_closes_it)
{
    auto alert = kit::AlertView::create("设置收款key", "", {}, "确定", { "取消" });
    alert->setAlertViewStyle(kit::AlertViewStyle::LoginAndPasswordInput);
    alert->show();
    harness.runUntilIdle();

    EXPECT_EQ(run("alert-type 1 secret key\ntap btnOK\n"), 2);
    EXPECT_EQ(alert->textFieldAtIndex(1)->text(), "secret key");
    EXPECT_THAT(screen->taps, IsEmpty());

    EXPECT_EQ(run("alert 2"), 2);
    EXPECT_EQ(run("alert 1\ntap btnOK\nalert 0\n"), 2);
    EXPECT_THAT(screen->taps, ElementsAre("btnOK"));
    EXPECT_THAT(lines,
        ElementsAre("alert 设置收款key", "error 2: the alert \"设置收款key\" covers the screen",
            "error 1: the alert has no button 2", "error 3: no alert is up"));
}

TEST_F(ScriptRunnerTest, show_prints_a_fields_text_then_its_placeholder_never_the_placeholder_as_text)
{
    auto password = std::make_shared<kit::TextField>(graphics::Rect { 160, 265, 150, 30 });
    password->setName("tvPassword");
    password->setPlaceholder("密码");
    password->setSecureTextEntry(true);
    screen->view()->addSubview(password);
    auto alert = kit::AlertView::create("设置收款key", "", {}, "确定", { "取消" });
    alert->setAlertViewStyle(kit::AlertViewStyle::LoginAndPasswordInput);
    alert->textFieldAtIndex(0)->setPlaceholder("收款key");
    alert->textFieldAtIndex(1)->setPlaceholder("加密key");
    alert->show();
    harness.runUntilIdle();

    EXPECT_EQ(run("show\nalert-type 1 ab\nshow\nalert 1\ntype tvPassword 123\nshow\n"), 0);
    std::vector<std::string> fields;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(fields), [](const std::string& line) {
        return line.find("field ") != std::string::npos && line.find("nameField") == std::string::npos;
    });
    EXPECT_THAT(fields,
        ElementsAre("  field tvPassword \"\" placeholder \"密码\"", "    field \"\" placeholder \"收款key\"",
            "    field \"\" placeholder \"加密key\"", "  field tvPassword \"\" placeholder \"密码\"",
            "    field \"\" placeholder \"收款key\"", "    field \"••\"", "  field tvPassword \"•••\""));
}

TEST_F(ScriptRunnerTest, show_reads_a_toast_from_the_label_its_untitled_button_holds)
{
    ToastView::makeText("登录成功")->show();
    EXPECT_EQ(run("show\n"), 0);
    EXPECT_THAT(lines, Contains("  button \"登录成功\""));
    EXPECT_THAT(lines, Contains("  button btnOK \"确定\""));
}

TEST_F(ScriptRunnerTest, typing_goes_key_by_key_through_the_field_delegate)
{
    EXPECT_EQ(run("type nameField ab1 c2\n"), 0);
    auto field = harness.find<kit::TextField>("nameField");
    EXPECT_EQ(field->text(), "ab c");
    EXPECT_EQ(run("clear nameField\ntype nameField 你好"), 0);
    EXPECT_EQ(field->text(), "你好");
    EXPECT_EQ(run("type missingField x"), 2);
}

// A field that only leads to a screen of its own, where the typing happens
// (the members tab's search field).
class LeadsToSearch : public kit::TextFieldDelegate {
public:
    std::shared_ptr<kit::NavigationController> navigation;
    std::shared_ptr<kit::TextField> searchField
        = std::make_shared<kit::TextField>(graphics::Rect { 10, 80, 300, 40 });
    void textFieldDidBeginEditing(kit::TextField& field) override
    {
        field.resignFirstResponder();
        auto search = std::make_shared<PushedScreen>();
        search->view()->addSubview(searchField);
        navigation->pushViewController(search, true);
        searchField->becomeFirstResponder();
    }
};

TEST_F(ScriptRunnerTest, typing_into_a_field_that_leads_elsewhere_types_where_the_keyboard_went)
{
    auto leads = std::make_shared<LeadsToSearch>();
    leads->navigation = navigation;
    auto entry = std::make_shared<kit::TextField>(graphics::Rect { 160, 265, 150, 30 });
    entry->setName("tvSearchContent");
    entry->setDelegate(leads);
    screen->view()->addSubview(entry);

    EXPECT_EQ(run("type tvSearchContent 王芳\n"), 0);
    EXPECT_EQ(leads->searchField->text(), "王芳");
    EXPECT_EQ(entry->text(), "");
}

TEST_F(ScriptRunnerTest, rows_are_checked_against_the_list_before_the_tap)
{
    EXPECT_EQ(run("row 2\nrow 0 0\n"), 0);
    EXPECT_THAT(screen->rowsSelected, ElementsAre(2, 0));
    EXPECT_EQ(run("row 3"), 2);
    EXPECT_EQ(run("row 0 1"), 2);
    EXPECT_EQ(run("row -1"), 2);
    EXPECT_THAT(screen->rowsSelected, ElementsAre(2, 0));
}

TEST_F(ScriptRunnerTest, transcript_reports_screens_toasts_and_overlays_in_the_order_they_came)
{
    screen->farButton->addAction(
        [this](kit::Control&) {
            auto hud = ProgressHUD::showHUDAddedTo(harness.window(), true);
            hud->setLabelText("正在登录...");
            foundation::RunLoop::main().performAfterDelay(hud, 1.0, [this, hud] {
                hud->hide(true);
                ToastView::makeText("登录成功")->show();
                navigation->pushViewController(std::make_shared<PushedScreen>(), true);
            });
        },
        kit::ControlEvent::TouchUpInside);

    EXPECT_EQ(run("tap btnFar\nwait 2\nback\n"), 0);
    EXPECT_THAT(lines,
        ElementsAre(
            "hud 正在登录...", "hud-hide", "toast 登录成功", "screen PushedScreen", "screen SampleScreen"));
}

TEST_F(ScriptRunnerTest, background_and_foreground_move_the_app_once_each_and_a_notice_gets_its_own_line)
{
    auto* app = kit::Application::sharedApplication();
    ASSERT_TRUE(app);
    // The desktop is kept out of it: only the transcript should see the notice.
    int presented = 0;
    app->setLocalNotificationPresenter([&presented](const kit::LocalNotification&) { ++presented; });
    screen->farButton->addAction(
        [app](kit::Control&) {
            if (app->applicationState() != kit::ApplicationState::Background)
                return;
            kit::LocalNotification notice;
            notice.setAlertBody("请求失败");
            app->presentLocalNotificationNow(notice);
        },
        kit::ControlEvent::TouchUpInside);

    EXPECT_EQ(run("tap btnFar\nbackground\ntap btnFar\nforeground\ntap btnFar\n"), 0);
    EXPECT_THAT(lines, ElementsAre("notification 请求失败"));
    EXPECT_EQ(presented, 1);
    EXPECT_EQ(app->applicationState(), kit::ApplicationState::Active);

    EXPECT_EQ(run("foreground\n"), 2);
    EXPECT_EQ(run("background\nbackground\n"), 2);
    EXPECT_THAT(lines,
        ElementsAre("notification 请求失败", "error 1: the app is in front already",
            "error 2: the app is in the background already"));
    EXPECT_EQ(app->applicationState(), kit::ApplicationState::Background);
}

TEST_F(ScriptRunnerTest, back_presses_the_screens_own_back_button_behind_a_fixed_space_else_pops)
{
    auto pushed = std::make_shared<PushedScreen>();
    int pressed = 0;
    auto backButton = kit::Button::buttonWithType(kit::ButtonType::Custom);
    backButton->addAction([&](kit::Control&) { ++pressed; }, kit::ControlEvent::TouchUpInside);
    pushed->navigationItem()->setLeftBarButtonItems(
        { kit::BarButtonItem::fixedSpace(-10), std::make_shared<kit::BarButtonItem>(backButton) });
    navigation->pushViewController(pushed, false);
    harness.runUntilIdle();

    // The button decides whether to leave; this one only counts.
    EXPECT_EQ(run("back\n"), 0);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(navigation->topViewController(), pushed);

    pushed->navigationItem()->setLeftBarButtonItems({ kit::BarButtonItem::fixedSpace(-10) });
    EXPECT_EQ(run("back\n"), 0);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(navigation->topViewController(), screen);
}

TEST_F(ScriptRunnerTest, idle_waits_for_the_reply_and_for_what_the_reply_sets_going)
{
    auto slow = net::FakeTransport::Reply::status(200, "ok");
    slow.delay = 3.0;
    fake->addReply("/slow", slow);
    fake->addReply("/silent", net::FakeTransport::Reply::silence());
    std::vector<std::string> heard;
    screen->farButton->addAction(
        [&](kit::Control&) {
            net::URLRequest first("http://127.0.0.1:9/slow");
            net::URLConnection::sendAsynchronousRequest(first, nullptr, [&](auto&, auto& data, auto&) {
                heard.push_back(data.value_or("none"));
                net::URLRequest second("http://127.0.0.1:9/silent");
                second.setTimeoutInterval(10);
                net::URLConnection::sendAsynchronousRequest(second, nullptr,
                    [&](auto&, auto& data, auto&) { heard.push_back(data.value_or("none")); });
            });
        },
        kit::ControlEvent::TouchUpInside);

    double start = foundation::RunLoop::main().now();
    EXPECT_EQ(run("tap btnFar\nidle\n"), 0);
    EXPECT_THAT(heard, ElementsAre("ok", "none"));
    EXPECT_EQ(tracing->inFlight(), 0);
    EXPECT_LE(foundation::RunLoop::main().now() - start, 15.0);
}

TEST_F(ScriptRunnerTest, idle_returns_only_once_the_overlay_has_faded_and_the_toast_has_gone)
{
    auto reply = net::FakeTransport::Reply::status(200, "ok");
    reply.delay = 1.0;
    fake->addReply("/login", reply);
    screen->farButton->addAction(
        [this](kit::Control&) {
            auto hud = ProgressHUD::showHUDAddedTo(harness.window(), true);
            hud->setLabelText("正在登录...");
            net::URLConnection::sendAsynchronousRequest(
                net::URLRequest("http://127.0.0.1:9/login"), nullptr, [hud](auto&, auto&, auto&) {
                    hud->hide(true);
                    ToastView::makeText("登录成功")->show();
                });
        },
        kit::ControlEvent::TouchUpInside);

    EXPECT_EQ(run("tap btnFar\nidle\nshow\n"), 0);
    EXPECT_THAT(lines, Contains("toast 登录成功"));
    EXPECT_THAT(lines, Contains("  button btnOK \"确定\""));
    for (const auto& line : lines)
        EXPECT_TRUE(line.find("  ") != 0 || line.find("登") == std::string::npos) << "still up: " << line;
    const auto& onTop = harness.window()->subviews();
    EXPECT_TRUE(std::none_of(onTop.begin(), onTop.end(),
        [](const auto& view) { return std::dynamic_pointer_cast<ProgressHUD>(view) != nullptr; }));
}

TEST_F(ScriptRunnerTest, scan_reaches_only_an_open_scanner_and_waits_for_it_to_hand_the_code_back)
{
    EXPECT_EQ(run("scan 6200000000001"), 2);
    capture::CaptureDevice::setVirtualDefaultDevice(
        capture::CaptureDevice::virtualDevice("test camera", camera));
    auto scanner = std::make_shared<ScanViewController>();
    scanner->setScanControllerDelegate(screen);
    navigation->pushViewController(scanner, false);
    harness.runUntilIdle();

    EXPECT_EQ(run("scan-image /nonexistent/code.png"), 2);
    EXPECT_EQ(run("scan 6200000000001\nscan 6200000000002\n"), 2);
    EXPECT_THAT(screen->scanned, ElementsAre("6200000000001"));
    EXPECT_THAT(lines,
        ElementsAre("error 1: no scanner is open", "screen ScanViewController",
            ::testing::StartsWith("error 1: cannot read /nonexistent/code.png"), "screen SampleScreen",
            "error 2: no scanner is open"));
}

TEST_F(ScriptRunnerTest, window_mouse_is_the_finger_but_not_through_an_alert)
{
    WindowInput input;
    auto& window = *harness.window();
    auto field = harness.find<kit::TextField>("nameField");
    kit::View::runPendingPasses();
    graphics::Point centre = field->convertPointToView(field->bounds().center(), nullptr);

    auto alert = kit::AlertView::create("提示", "", {}, "确定");
    alert->show();
    harness.runUntilIdle();
    input.pointerDown(window, centre);
    input.pointerUp(window, centre);
    harness.runUntilIdle();
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_TRUE(alert->isVisible());

    alert->pressButtonAtIndex(0);
    harness.runUntilIdle();
    input.pointerDown(window, centre);
    input.pointerMove(window, { centre.x + 2, centre.y });
    input.pointerUp(window, { centre.x + 2, centre.y });
    harness.runUntilIdle();
    EXPECT_TRUE(field->isFirstResponder());
}

// Return and Esc reach only an alert's first and last buttons; a click must
// reach every one, where `frame` says it is.
TEST_F(ScriptRunnerTest, window_click_presses_the_alert_button_it_went_down_and_came_up_on)
{
    WindowInput input;
    auto& window = *harness.window();
    auto alert = kit::AlertView::create("订单尚未支付", "", {}, "撤销订单", { "继续等待", "仍要离开" });
    alert->show();
    harness.runUntilIdle();
    lines.clear();
    ASSERT_EQ(run("frame 继续等待\n"), 0);
    ASSERT_EQ(lines.size(), 1u);
    std::istringstream words(lines[0]);
    std::string word, title;
    graphics::Rect middle;
    double x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(words >> word >> title >> x >> y >> width >> height) << lines[0];
    middle = { x, y, width, height };
    EXPECT_EQ(kit::layOutAlert(*alert, window.bounds()).buttonAt(middle.center()), 1);

    // Down on the button, up off it: nothing, as a finger sliding away.
    input.pointerDown(window, middle.center());
    input.pointerUp(window, { middle.center().x, middle.maxY() + 30 });
    harness.runUntilIdle();
    EXPECT_TRUE(alert->isVisible());

    input.pointerDown(window, middle.center());
    input.pointerUp(window, { middle.center().x + 20, middle.center().y });
    harness.runUntilIdle();
    EXPECT_FALSE(alert->isVisible());
    ASSERT_FALSE(harness.alerts().shown().empty());
    EXPECT_EQ(harness.alerts().shown().back().closedWith, 1);
}

TEST_F(ScriptRunnerTest, window_keys_reach_the_alert_fields_before_the_screen_under_it)
{
    WindowInput input;
    auto& window = *harness.window();
    auto field = harness.find<kit::TextField>("nameField");
    field->becomeFirstResponder();
    input.text(window, "a1");
    input.backspace(window);
    EXPECT_EQ(field->text(), "");

    auto alert = kit::AlertView::create("设置收款key", "", {}, "确定", { "取消" });
    alert->setAlertViewStyle(kit::AlertViewStyle::LoginAndPasswordInput);
    alert->show();
    harness.runUntilIdle();
    input.text(window, "k");
    input.tab(window);
    input.text(window, "s");
    input.text(window, "x");
    input.backspace(window);
    EXPECT_EQ(alert->textFieldAtIndex(0)->text(), "k");
    EXPECT_EQ(alert->textFieldAtIndex(1)->text(), "s");
    EXPECT_EQ(field->text(), "");
    input.enter(window);
    harness.runUntilIdle();
    ASSERT_FALSE(harness.alerts().shown().empty());
    EXPECT_EQ(harness.alerts().shown().back().closedWith, 0);
}

TEST_F(ScriptRunnerTest, window_tab_moves_the_keyboard_through_the_screens_fields_in_reading_order)
{
    WindowInput input;
    auto& window = *harness.window();
    auto name = harness.find<kit::TextField>("nameField");
    auto addField = [&](graphics::Rect frame) {
        auto field = std::make_shared<kit::TextField>(frame);
        screen->view()->addSubview(field);
        return field;
    };
    // Added after the name field, but above it on the screen.
    auto user = addField({ 10, 180, 140, 30 });
    auto hidden = addField({ 160, 180, 140, 30 });
    hidden->setHidden(true);
    auto off = addField({ 160, 180, 140, 30 });
    off->setEnabled(false);

    input.tab(window);
    EXPECT_TRUE(user->isFirstResponder());
    input.text(window, "boss");
    input.tab(window);
    EXPECT_TRUE(name->isFirstResponder());
    input.tab(window);
    EXPECT_TRUE(user->isFirstResponder()) << "past the last field it comes round";
    input.tab(window, true);
    EXPECT_TRUE(name->isFirstResponder());
    EXPECT_EQ(user->text(), "boss");
}

// A wrong key of a code typed at the desk went out to be charged: Backspace
// was taken as part of the code, and nothing typed was shown.
TEST_F(
    ScriptRunnerTest, window_keys_with_no_field_in_edit_make_up_the_scanners_shown_code_mended_by_backspace)
{
    WindowInput input;
    auto& window = *harness.window();
    // Away from the scanner they are nobody's, and no scanner opened later finds them.
    input.text(window, "6200");
    input.enter(window);
    auto scanner = std::make_shared<ScanViewController>();
    scanner->setScanControllerDelegate(screen);
    navigation->pushViewController(scanner, false);
    harness.runUntilIdle();
    EXPECT_EQ(scanner->typedCode(), "");

    input.text(window, "2800000000000001");
    input.backspace(window);
    input.text(window, "8");
    EXPECT_EQ(scanner->labelTypedCode()->text(), "2800000000000008");
    EXPECT_FALSE(scanner->labelTypedCode()->isHidden());
    // What no code holds is dropped, and so is what no code is long enough
    // for; Escape clears the line.
    input.text(window, " -中x" + std::string(ScanViewController::maximumTypedCode, '9'));
    EXPECT_EQ(scanner->typedCode().substr(0, 17), "2800000000000008x");
    EXPECT_EQ(scanner->typedCode().size(), ScanViewController::maximumTypedCode);
    input.escape(window);
    EXPECT_TRUE(scanner->labelTypedCode()->isHidden());
    input.enter(window);
    EXPECT_TRUE(scanner->isReading()) << "an empty line sends nothing";

    // A script's keys take the same road, and `show` lists the line.
    EXPECT_EQ(run("keys 2800000000000001\nkey backspace\nkeys 8\nshow\nkey return\n"), 0);
    EXPECT_THAT(lines, Contains("  label labelTypedCode \"2800000000000008\""));
    EXPECT_THAT(screen->scanned, ElementsAre("2800000000000008"));
    EXPECT_EQ(run("key delete\n"), ScriptRunner::exitCommandFailed);

    // With a field in edit, the keys are the field's.
    auto field = harness.find<kit::TextField>("nameField");
    field->becomeFirstResponder();
    input.text(window, "ab");
    input.backspace(window);
    input.enter(window);
    EXPECT_EQ(field->text(), "a");
    EXPECT_THAT(screen->scanned, ElementsAre("2800000000000008"));
}

// A long code typed at the desk was shown cut after its 21st character, so
// the staff could not check it before Return; and keys past the longest code
// were dropped with nothing on screen to say so.
TEST_F(ScriptRunnerTest, a_long_typed_code_shows_whole_or_its_tail_and_keys_past_the_longest_are_refused_in_sight)
{
    auto scanner = std::make_shared<ScanViewController>();
    scanner->setScanControllerDelegate(screen);
    navigation->pushViewController(scanner, false);
    harness.runUntilIdle();
    auto const& line = scanner->labelTypedCode();
    auto const& limit = scanner->labelTypedCodeLimit();

    std::string const code = "62258877000012345678ABCDEFGHjk";
    EXPECT_EQ(run("keys " + code + "\n"), 0);
    EXPECT_EQ(line->text(), code);
    EXPECT_TRUE(line->showsWholeText()) << "shown smaller to fit";
    EXPECT_TRUE(limit->isHidden());

    // Too long for the smallest size: the tail, where the typing goes on, stays in sight.
    std::string const longest = code + std::string(ScanViewController::maximumTypedCode - code.size() - 1, '5') + "Z";
    EXPECT_EQ(run("keys " + longest.substr(code.size()) + "\nshow\n"), 0);
    auto const shown = line->text();
    ASSERT_TRUE(shown.starts_with("…")) << shown;
    auto const tail = shown.substr(std::string_view("…").size());
    EXPECT_TRUE(longest.ends_with(tail) && tail.size() >= 30) << shown;
    EXPECT_TRUE(line->showsWholeText());
    EXPECT_THAT(lines, Contains("  label labelTypedCodeLimit \"最多64位\""));
    auto const quiet = limit->textColor();

    // A key past the longest is refused where the staff look, until the line changes.
    EXPECT_EQ(run("keys 7\n"), 0);
    EXPECT_EQ(scanner->typedCode(), longest);
    EXPECT_NE(limit->textColor(), quiet);
    EXPECT_EQ(run("key backspace\nkeys 7\n"), 0);
    EXPECT_EQ(limit->textColor(), quiet);
    EXPECT_EQ(run("key backspace\nkey return\n"), 0);
    EXPECT_TRUE(limit->isHidden());
    EXPECT_THAT(screen->scanned, ElementsAre(longest.substr(0, longest.size() - 1)));
}

TEST_F(ScriptRunnerTest, pulls_drag_the_list_far_enough_to_refresh_it_from_either_end)
{
    int headerCalls = 0;
    int footerCalls = 0;
    auto table = harness.find<kit::TableView>("list");
    setHeader(*table, RefreshNormalHeader::headerWithRefreshingBlock([&] { ++headerCalls; }));
    setFooter(*table, RefreshBackNormalFooter::footerWithRefreshingBlock([&] { ++footerCalls; }));

    EXPECT_EQ(run("pull-down\n"), 0);
    EXPECT_EQ(headerCalls, 1);
    header(*table)->endRefreshing();
    harness.advance(1);
    EXPECT_EQ(run("pull-up\n"), 0);
    EXPECT_EQ(footerCalls, 1);
    EXPECT_EQ(headerCalls, 1);
}

TEST_F(
    ScriptRunnerTest, drag_is_a_finger_through_the_windows_touch_handling_and_frame_says_where_a_control_is)
{
    int headerCalls = 0;
    auto table = harness.find<kit::TableView>("list");
    setHeader(*table, RefreshNormalHeader::headerWithRefreshingBlock([&] { ++headerCalls; }));
    kit::View::runPendingPasses();
    graphics::Point top = table->convertPointToView({ 160, 10 }, nullptr);
    std::ostringstream pull;
    pull << "drag " << top.x << " " << top.y << " " << top.x << " " << top.y + 200 << "\nframe btnOK\n";
    EXPECT_EQ(run(pull.str()), 0);
    EXPECT_EQ(headerCalls, 1);
    graphics::Rect ok = harness.find("btnOK")->convertRectToView({ 0, 0, 140, 40 }, nullptr);
    std::ostringstream where;
    where << "frame btnOK " << ok.x() << " " << ok.y() << " 140 40";
    EXPECT_THAT(lines, Contains(where.str()));

    EXPECT_EQ(run("drag 1 2 3\n"), ScriptRunner::exitCommandFailed);
    EXPECT_EQ(run("frame nothingHere\n"), ScriptRunner::exitCommandFailed);
}

TEST_F(ScriptRunnerTest, window_text_is_utf8_and_a_paste_is_clean_text_put_in_at_once)
{
    EXPECT_EQ(WindowInput::keysymText('a'), "a");
    EXPECT_EQ(WindowInput::keysymText(0xe9), "é");
    EXPECT_EQ(WindowInput::keysymText(0x01004e2d), "中");
    EXPECT_EQ(WindowInput::keysymText(0xff0d), "") << "Return types no text";
    EXPECT_EQ(WindowInput::keysymText(0x0100d800), "") << "a lone surrogate is no character";

    EXPECT_EQ(WindowInput::pasteText("收款\r\n12\t3\x01\xff\xc0\xaf", false), "收款 12 3");
    EXPECT_EQ(WindowInput::pasteText("a\r\nb\rc", true), "a\nb\nc");
    std::string huge(WindowInput::maximumPaste - 1, 'x');
    EXPECT_EQ(WindowInput::pasteText(huge + "中", false), huge) << "a character is never cut in half";

    WindowInput input;
    auto& window = *harness.window();
    auto field = harness.find<kit::TextField>("nameField");
    field->becomeFirstResponder();
    // The field takes letters only: a paste with a digit is refused whole.
    input.paste(window, "ab1");
    EXPECT_EQ(field->text(), "");
    input.paste(window, "ab\ncd");
    EXPECT_EQ(field->text(), "ab cd");
}

TEST(TracingTransportTest, trace_shows_parameters_in_clear_and_never_the_merchant_keys)
{
    support::ScreenHarness harness;
    auto& defaults = foundation::UserDefaults::standard();
    defaults.setObject(std::string("pay-demo-key"), std::string(KEY_RECEIVABLE));
    defaults.setObject(std::string("paysecret2026"), std::string(KEY_RECEIVABLE_ENCRYPT));

    net::URLRequest request("http://127.0.0.1:8080/PayApi/OfflinePay/checkStaff/");
    request.setHTTPMethod("POST");
    request.setValueForHTTPHeaderField("pay-demo-key", "qvkey");
    request.setHTTPBody(DesCipher::encode("username=boss&password=e10adc", std::string("paysecret2026")));
    std::string line = TracingTransport::traceLine(request);
    EXPECT_EQ(line, "request /PayApi/OfflinePay/checkStaff/ username=boss&password=e10adc");

    // Sent under a key this device no longer holds: no cipher text, no key.
    request.setValueForHTTPHeaderField("old-key", "qvkey");
    EXPECT_EQ(TracingTransport::traceLine(request), "request /PayApi/OfflinePay/checkStaff/");

    // Without a merchant key: plain form text is what was sent; cipher text,
    // signed while only the cipher key of the pair is stored, is not shown.
    net::URLRequest keyless("http://127.0.0.1:8080/agent/login/");
    keyless.setHTTPMethod("POST");
    keyless.setHTTPBody("mobile=13800000000&password=e10adc");
    EXPECT_EQ(
        TracingTransport::traceLine(keyless), "request /agent/login/ mobile=13800000000&password=e10adc");
    // Cipher texts of 16, 24 and 32 bytes: Base64 with two, none and one '='.
    for (const char* form : { "username=boss", "username=boss&pw=123", "username=boss&password=e10adc" }) {
        keyless.setHTTPBody(
            foundation::addingPercentEscapes(DesCipher::encode(form, std::string("paysecret2026"))));
        EXPECT_EQ(TracingTransport::traceLine(keyless), "request /agent/login/") << form;
    }
}

} // namespace
