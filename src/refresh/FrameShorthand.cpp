#include "refresh/FrameShorthand.h"

#include "platform/kit/ScrollView.h"

namespace {

template<class Change> void changeFrame(kit::View& view, Change change)
{
    graphics::Rect frame = view.frame();
    change(frame);
    view.setFrame(frame);
}

template<class Change> void changeInset(kit::ScrollView& scrollView, Change change)
{
    graphics::EdgeInsets inset = scrollView.contentInset();
    change(inset);
    scrollView.setContentInset(inset);
}

template<class Change> void changeOffset(kit::ScrollView& scrollView, Change change)
{
    graphics::Point offset = scrollView.contentOffset();
    change(offset);
    scrollView.setContentOffset(offset);
}

template<class Change> void changeContentSize(kit::ScrollView& scrollView, Change change)
{
    graphics::Size size = scrollView.contentSize();
    change(size);
    scrollView.setContentSize(size);
}

} // namespace

double rfX(const kit::View& view)
{
    return view.frame().origin.x;
}

void setRfX(kit::View& view, double x)
{
    changeFrame(view, [x](graphics::Rect& f) { f.origin.x = x; });
}

double rfY(const kit::View& view)
{
    return view.frame().origin.y;
}

void setRfY(kit::View& view, double y)
{
    changeFrame(view, [y](graphics::Rect& f) { f.origin.y = y; });
}

double rfW(const kit::View& view)
{
    return view.frame().size.width;
}

void setRfW(kit::View& view, double width)
{
    changeFrame(view, [width](graphics::Rect& f) { f.size.width = width; });
}

double rfH(const kit::View& view)
{
    return view.frame().size.height;
}

void setRfH(kit::View& view, double height)
{
    changeFrame(view, [height](graphics::Rect& f) { f.size.height = height; });
}

graphics::Size rfSize(const kit::View& view)
{
    return view.frame().size;
}

void setRfSize(kit::View& view, graphics::Size size)
{
    changeFrame(view, [size](graphics::Rect& f) { f.size = size; });
}

graphics::Point rfOrigin(const kit::View& view)
{
    return view.frame().origin;
}

void setRfOrigin(kit::View& view, graphics::Point origin)
{
    changeFrame(view, [origin](graphics::Rect& f) { f.origin = origin; });
}

double rfInsetT(const kit::ScrollView& scrollView)
{
    return scrollView.contentInset().top;
}

void setRfInsetT(kit::ScrollView& scrollView, double top)
{
    changeInset(scrollView, [top](graphics::EdgeInsets& i) { i.top = top; });
}

double rfInsetL(const kit::ScrollView& scrollView)
{
    return scrollView.contentInset().left;
}

void setRfInsetL(kit::ScrollView& scrollView, double left)
{
    changeInset(scrollView, [left](graphics::EdgeInsets& i) { i.left = left; });
}

double rfInsetB(const kit::ScrollView& scrollView)
{
    return scrollView.contentInset().bottom;
}

void setRfInsetB(kit::ScrollView& scrollView, double bottom)
{
    changeInset(scrollView, [bottom](graphics::EdgeInsets& i) { i.bottom = bottom; });
}

double rfInsetR(const kit::ScrollView& scrollView)
{
    return scrollView.contentInset().right;
}

void setRfInsetR(kit::ScrollView& scrollView, double right)
{
    changeInset(scrollView, [right](graphics::EdgeInsets& i) { i.right = right; });
}

double rfOffsetX(const kit::ScrollView& scrollView)
{
    return scrollView.contentOffset().x;
}

void setRfOffsetX(kit::ScrollView& scrollView, double x)
{
    changeOffset(scrollView, [x](graphics::Point& o) { o.x = x; });
}

double rfOffsetY(const kit::ScrollView& scrollView)
{
    return scrollView.contentOffset().y;
}

void setRfOffsetY(kit::ScrollView& scrollView, double y)
{
    changeOffset(scrollView, [y](graphics::Point& o) { o.y = y; });
}

double rfContentW(const kit::ScrollView& scrollView)
{
    return scrollView.contentSize().width;
}

void setRfContentW(kit::ScrollView& scrollView, double width)
{
    changeContentSize(scrollView, [width](graphics::Size& s) { s.width = width; });
}

double rfContentH(const kit::ScrollView& scrollView)
{
    return scrollView.contentSize().height;
}

void setRfContentH(kit::ScrollView& scrollView, double height)
{
    changeContentSize(scrollView, [height](graphics::Size& s) { s.height = height; });
}
