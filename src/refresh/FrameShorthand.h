#pragma once

#include "platform/graphics/Geometry.h"

namespace kit {
class ScrollView;
class View;
} // namespace kit

// One-member reads and writes of a view's frame and a scroll view's inset,
// offset and content size. Each setter reads the whole value, changes one
// member and writes it back, so the view sees one ordinary set.

double rfX(const kit::View& view);
void setRfX(kit::View& view, double x);
double rfY(const kit::View& view);
void setRfY(kit::View& view, double y);
double rfW(const kit::View& view);
void setRfW(kit::View& view, double width);
double rfH(const kit::View& view);
void setRfH(kit::View& view, double height);
graphics::Size rfSize(const kit::View& view);
void setRfSize(kit::View& view, graphics::Size size);
graphics::Point rfOrigin(const kit::View& view);
void setRfOrigin(kit::View& view, graphics::Point origin);

double rfInsetT(const kit::ScrollView& scrollView);
void setRfInsetT(kit::ScrollView& scrollView, double top);
double rfInsetL(const kit::ScrollView& scrollView);
void setRfInsetL(kit::ScrollView& scrollView, double left);
double rfInsetB(const kit::ScrollView& scrollView);
void setRfInsetB(kit::ScrollView& scrollView, double bottom);
double rfInsetR(const kit::ScrollView& scrollView);
void setRfInsetR(kit::ScrollView& scrollView, double right);

double rfOffsetX(const kit::ScrollView& scrollView);
void setRfOffsetX(kit::ScrollView& scrollView, double x);
double rfOffsetY(const kit::ScrollView& scrollView);
void setRfOffsetY(kit::ScrollView& scrollView, double y);

double rfContentW(const kit::ScrollView& scrollView);
void setRfContentW(kit::ScrollView& scrollView, double width);
double rfContentH(const kit::ScrollView& scrollView);
void setRfContentH(kit::ScrollView& scrollView, double height);
