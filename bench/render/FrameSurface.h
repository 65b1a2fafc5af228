#pragma once

#include <benchmark/benchmark.h>
#include <cairo.h>

// A phone screen's frame as the renderer paints it: 320x568 points at scale
// 2 on an ARGB cairo image surface, the context scaled to points. Frame
// benchmarks paint into it and measure against a raw fill of the same
// surface, the floor any painter pays for touching every pixel.
class FrameSurface {
public:
    static constexpr int width = 320;
    static constexpr int height = 568;
    static constexpr double scale = 2;

    FrameSurface();
    ~FrameSurface();
    FrameSurface(const FrameSurface&) = delete;
    FrameSurface& operator=(const FrameSurface&) = delete;

    cairo_t* cairo() const { return m_cairo; }
    // Ends the frame: the pixels are written and kept from being optimised away.
    void finishFrame();
    const unsigned char* pixels() const;
    int stride() const;

    // Frames per second of the benchmark's iterations, as the counter "fps".
    static void countFrames(benchmark::State& state);
    // The raw library underneath: every pixel filled white, once a frame.
    static void measureRawFill(benchmark::State& state);

private:
    cairo_surface_t* m_surface;
    cairo_t* m_cairo;
};
