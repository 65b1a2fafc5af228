// Frames per second of painting a full phone screen, beside a plain cairo
// fill of the same surface: the fill is the floor any painter pays for
// touching every pixel, so the ratio printed at the end shows what the view
// tree costs.

#include "platform/graphics/Image.h"
#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/Renderer.h"
#include "platform/kit/TableView.h"
#include "platform/kit/TableViewCell.h"
#include "platform/kit/TableViewDataSource.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"
#include "render/FrameRatioReporter.h"
#include "render/FrameSurface.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <cstdint>

namespace {

using graphics::Color;
using graphics::Rect;

constexpr int Width = FrameSurface::width;
constexpr int Height = FrameSurface::height;
constexpr double Scale = FrameSurface::scale;

class Rows : public kit::TableViewDataSource {
public:
    int tableViewNumberOfRowsInSection(kit::TableView&, int) override { return 10; }
    std::shared_ptr<kit::TableViewCell> tableViewCellForRowAtIndexPath(
        kit::TableView& table, kit::IndexPath indexPath) override
    {
        auto cell = table.dequeueReusableCellWithIdentifier("row");
        if (!cell)
            cell = std::make_shared<kit::TableViewCell>(kit::TableViewCellStyle::Value1, "row");
        cell->textLabel()->setText("订单 " + std::to_string(20260000 + indexPath.row));
        if (auto detail = cell->detailTextLabel())
            detail->setText("￥" + std::to_string(10 + indexPath.row) + ".00");
        return cell;
    }
};

struct Screen {
    std::shared_ptr<kit::Window> window = std::make_shared<kit::Window>(Rect(0, 0, Width, Height));
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();

    Screen()
    {
        window->setBackgroundColor(Color::white());
        auto bar = std::make_shared<kit::View>(Rect(0, 0, Width, 64));
        bar->setBackgroundColor(Color::fromRgb24(0x3aaa24));
        window->addSubview(bar);
        auto title = std::make_shared<kit::Label>(Rect(0, 20, Width, 44));
        title->setText("今日收款");
        title->setTextColor(Color::white());
        title->setFont(graphics::Font::boldSystemFont(18));
        title->setTextAlignment(graphics::TextAlignment::Center);
        window->addSubview(title);
        auto table = std::make_shared<kit::TableView>(Rect(0, 64, Width, Height - 64 - 49));
        table->setRowHeight(44);
        table->setDataSource(rows);
        window->addSubview(table);
        auto tabs = std::make_shared<kit::View>(Rect(0, Height - 49, Width, 49));
        tabs->setBackgroundColor(Color::fromWhite(0.97));
        window->addSubview(tabs);
        for (int i = 0; i < 4; ++i) {
            auto tab = std::make_shared<kit::Button>(kit::ButtonType::Custom, Rect(i * 80, 0, 80, 49));
            tab->setBackgroundImage(
                graphics::Image::fromColor(Color::fromWhite(0.97)), kit::ControlState::Normal);
            tab->setTitle(i == 0 ? "收款"
                    : i == 1     ? "会员"
                    : i == 2     ? "卡券"
                                 : "设置",
                kit::ControlState::Normal);
            tab->setTitleColor(Color::gray(), kit::ControlState::Normal);
            tabs->addSubview(tab);
        }
        table->reloadData();
        kit::View::runPendingPasses();
    }
};

// A benchmark of a screen that paints nothing would measure nothing: the
// rows' text must have left ink on the white table.
bool rowsWerePainted(const FrameSurface& target)
{
    const unsigned char* data = target.pixels();
    int stride = target.stride();
    int ink = 0;
    for (int y = static_cast<int>(64 * Scale); y < static_cast<int>((64 + 440) * Scale); ++y) {
        const auto* row
            = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < static_cast<int>(Width * Scale); ++x)
            ink += (row[x] & 0xff) < 0x40;
    }
    return ink > 1000;
}

void BM_RenderScreenWithTenRowTable(benchmark::State& state)
{
    Screen screen;
    FrameSurface target;
    kit::Renderer renderer(Scale);
    renderer.paint(*screen.window, target.cairo());
    if (!rowsWerePainted(target)) {
        state.SkipWithError("the table rows were not painted");
        return;
    }
    for (auto _ : state) {
        cairo_set_source_rgb(target.cairo(), 0, 0, 0);
        cairo_paint(target.cairo());
        renderer.paint(*screen.window, target.cairo());
        target.finishFrame();
    }
    FrameSurface::countFrames(state);
}
BENCHMARK(BM_RenderScreenWithTenRowTable)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return FrameRatioReporter::runWithRawFill(
        argc, argv, "ten-row screen frame", "BM_RenderScreenWithTenRowTable");
}
