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
#include "render/FrameRatioReporter.h"
#include "render/FrameSurface.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

namespace {

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
    std::shared_ptr<kit::Window> window
        = std::make_shared<kit::Window>(graphics::Rect(0, 0, FrameSurface::width, FrameSurface::height));
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

void BM_TakingsListTenRows(benchmark::State& state)
{
    TakingsScreen screen;
    if (screen.bill->billdata().size() != 10) {
        state.SkipWithError("the takings list did not load its ten rows");
        return;
    }
    FrameSurface target;
    kit::Renderer renderer(FrameSurface::scale);
    for (auto _ : state) {
        renderer.paint(*screen.window, target.cairo());
        target.finishFrame();
    }
    FrameSurface::countFrames(state);
}
BENCHMARK(BM_TakingsListTenRows)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return FrameRatioReporter::runWithRawFill(argc, argv, "takings list frame", "BM_TakingsListTenRows");
}
