// Frames per second of painting the takings list (the real screen, its day
// sums and ten order rows) over a full 320x568 frame at scale 2, beside a
// plain cairo fill of the same surface, measured in the same run; the ratio
// of the two is printed at the end.

#include "api/DesCipher.h"
#include "cashier/BillViewController.h"
#include "cashier/CashierScreens.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/Window.h"
#include "platform/net/FakeNetworkStateSource.h"
#include "platform/net/FakeTransport.h"
#include "platform/net/NetworkState.h"
#include "platform/net/ReachabilityFlags.h"
#include "platform/net/Transport.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

namespace {

constexpr int Width = 320;
constexpr int Height = 568;
constexpr double Scale = 2;
constexpr const char* Secret = "bench-secret";

std::string encrypted(const nlohmann::ordered_json& reply)
{
    return DesCipher::encode(reply.dump(), std::string(Secret));
}

// The day as the back end would send it: sums and one page of ten orders.
void answerTheDay(net::FakeTransport& transport)
{
    auto list = nlohmann::ordered_json::array();
    for (int i = 0; i < 10; ++i) {
        bool paid = i % 3 != 2;
        list.push_back({ { "orderid", "2026120700" + std::to_string(1000 + i) },
            { "buyer_account", "138****66" + std::to_string(10 + i) }, { "paytype", i % 2 ? "2" : "1" },
            { "paystatus", paid ? "1" : "0" }, { "is_refund", i == 4 ? "2" : "0" }, { "payment", "alipay" },
            { "paymoney", std::to_string(10 + i) + ".50" },
            { "pri_paymoney", std::to_string(i == 4 ? 5 : 10 + i) + ".50" }, { "paytime", "1796620000" } });
    }
    nlohmann::ordered_json page
        = { { "status", "1" }, { "info", "" }, { "data", { { "count", "10" }, { "list", list } } } };
    nlohmann::ordered_json sums = { { "status", "1" }, { "info", "" },
        { "data", { { "alipay_sum", "1234.50" }, { "wxpay_sum", "null" }, { "bdpay_sum", "88.00" } } } };
    transport.addReply(
        "/PayApi/OfflinePay/getOrderList", net::FakeTransport::Reply::status(200, encrypted(page)));
    transport.addReply(
        "/PayApi/OfflinePay/getMoneySum", net::FakeTransport::Reply::status(200, encrypted(sums)));
}

struct TakingsScreen {
    std::filesystem::path home
        = std::filesystem::temp_directory_path() / ("bench-takings-" + std::to_string(getpid()));
    std::shared_ptr<net::FakeTransport> transport = std::make_shared<net::FakeTransport>();
    std::shared_ptr<net::FakeNetworkStateSource> network = std::make_shared<net::FakeNetworkStateSource>();
    std::shared_ptr<kit::Window> window = std::make_shared<kit::Window>(graphics::Rect(0, 0, Width, Height));
    std::shared_ptr<BillViewController> bill;

    TakingsScreen()
    {
        foundation::Paths::setHome(home);
        auto& defaults = foundation::UserDefaults::standard();
        defaults.setObject(std::string("bench-key"), "KEY_RECEIVABLE");
        defaults.setObject(std::string(Secret), "KEY_RECEIVABLE_ENCRYPT");
        defaults.setObject(std::string("boss"), "USER_NAME");
        network->setDefaultFlags(net::kReachabilityFlagsReachable);
        net::NetworkState::setSource(network);
        answerTheDay(*transport);
        net::Transport::install(transport);
        CashierScreens::registerScreens();
        bill = kit::Registry::shared().instantiate<BillViewController>(
            std::string(BillViewController::nibName));
        window->setRootViewController(std::make_shared<kit::NavigationController>(bill));
        window->makeKeyAndVisible();
        for (int turn = 0; turn < 100 && (bill->billdata().size() < 10 || bill->sumMoney() == 0); ++turn)
            foundation::RunLoop::main().runUntilIdle();
        kit::View::runPendingPasses();
    }
    ~TakingsScreen()
    {
        window->setRootViewController(nullptr);
        net::Transport::install(nullptr);
        net::NetworkState::setSource(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
};

struct Surface {
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(Width* Scale), static_cast<int>(Height* Scale));
    cairo_t* cairo = cairo_create(surface);
    Surface() { cairo_scale(cairo, Scale, Scale); }
    ~Surface()
    {
        cairo_destroy(cairo);
        cairo_surface_destroy(surface);
    }
};

void reportFrames(benchmark::State& state)
{
    state.counters["fps"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_TakingsListTenRows(benchmark::State& state)
{
    TakingsScreen screen;
    if (screen.bill->billdata().size() != 10) {
        state.SkipWithError("the takings list did not load its ten rows");
        return;
    }
    Surface target;
    kit::Renderer renderer(Scale);
    for (auto _ : state) {
        renderer.paint(*screen.window, target.cairo);
        cairo_surface_flush(target.surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(target.surface));
    }
    reportFrames(state);
}
BENCHMARK(BM_TakingsListTenRows)->Unit(benchmark::kMillisecond);

void BM_RawCairoFillOfTheSameSurface(benchmark::State& state)
{
    Surface target;
    for (auto _ : state) {
        cairo_set_source_rgb(target.cairo, 1, 1, 1);
        cairo_paint(target.cairo);
        cairo_surface_flush(target.surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(target.surface));
    }
    reportFrames(state);
}
BENCHMARK(BM_RawCairoFillOfTheSameSurface)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's milliseconds per frame, to print the ratio after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs) {
            // With repetitions the mean stands for them all (it comes last).
            bool aggregate = run.run_type == Run::RT_Aggregate;
            if (run.error_occurred || run.iterations == 0 || (aggregate && run.aggregate_name != "mean"))
                continue;
            millis[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> millis;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto list = reporter.millis.find("BM_TakingsListTenRows");
    auto fill = reporter.millis.find("BM_RawCairoFillOfTheSameSurface");
    if (list != reporter.millis.end() && fill != reporter.millis.end() && fill->second > 0) {
        std::printf("takings list frame / raw cairo fill: %.2f (%.0f fps against %.0f fps)\n",
            list->second / fill->second, 1000.0 / list->second, 1000.0 / fill->second);
    }
    benchmark::Shutdown();
    return 0;
}
