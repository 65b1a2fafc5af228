#include "render/FrameSurface.h"

FrameSurface::FrameSurface()
    : m_surface(cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(width * scale), static_cast<int>(height * scale)))
    , m_cairo(cairo_create(m_surface))
{
    cairo_scale(m_cairo, scale, scale);
}

FrameSurface::~FrameSurface()
{
    cairo_destroy(m_cairo);
    cairo_surface_destroy(m_surface);
}

void FrameSurface::finishFrame()
{
    cairo_surface_flush(m_surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(m_surface));
}

const unsigned char* FrameSurface::pixels() const
{
    cairo_surface_flush(m_surface);
    return cairo_image_surface_get_data(m_surface);
}

int FrameSurface::stride() const
{
    return cairo_image_surface_get_stride(m_surface);
}

void FrameSurface::countFrames(benchmark::State& state)
{
    state.counters["fps"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void FrameSurface::measureRawFill(benchmark::State& state)
{
    FrameSurface target;
    for (auto _ : state) {
        cairo_set_source_rgb(target.cairo(), 1, 1, 1);
        cairo_paint(target.cairo());
        target.finishFrame();
    }
    countFrames(state);
}
