#pragma once

#include <algorithm>
#include <cmath>

// Plain geometry in points, y growing downwards (the screens' own frame of
// reference). Value types only: cheap to copy, comparable, no invariants.
namespace graphics {

struct Point {
    double x = 0;
    double y = 0;

    constexpr Point() = default;
    constexpr Point(double x_, double y_)
        : x(x_)
        , y(y_)
    {
    }
    friend constexpr bool operator==(const Point&, const Point&) = default;
    constexpr Point operator+(const Point& o) const { return { x + o.x, y + o.y }; }
    constexpr Point operator-(const Point& o) const { return { x - o.x, y - o.y }; }
};

struct Size {
    double width = 0;
    double height = 0;

    constexpr Size() = default;
    constexpr Size(double w, double h)
        : width(w)
        , height(h)
    {
    }
    friend constexpr bool operator==(const Size&, const Size&) = default;
    constexpr bool isEmpty() const { return width <= 0 || height <= 0; }
};

struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    constexpr EdgeInsets() = default;
    constexpr EdgeInsets(double t, double l, double b, double r)
        : top(t)
        , left(l)
        , bottom(b)
        , right(r)
    {
    }
    friend constexpr bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(double x, double y, double w, double h)
        : origin(x, y)
        , size(w, h)
    {
    }
    constexpr Rect(Point o, Size s)
        : origin(o)
        , size(s)
    {
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;

    constexpr double x() const { return origin.x; }
    constexpr double y() const { return origin.y; }
    constexpr double width() const { return size.width; }
    constexpr double height() const { return size.height; }
    // Min/max read a rectangle with a negative size the way the phone
    // toolkit does: as the same area, standardised.
    constexpr double minX() const { return std::min(origin.x, origin.x + size.width); }
    constexpr double minY() const { return std::min(origin.y, origin.y + size.height); }
    constexpr double maxX() const { return std::max(origin.x, origin.x + size.width); }
    constexpr double maxY() const { return std::max(origin.y, origin.y + size.height); }
    constexpr double midX() const { return origin.x + size.width / 2; }
    constexpr double midY() const { return origin.y + size.height / 2; }
    constexpr Point center() const { return { midX(), midY() }; }
    constexpr bool isEmpty() const { return size.isEmpty(); }

    constexpr Rect standardized() const { return { minX(), minY(), maxX() - minX(), maxY() - minY() }; }

    // Half-open on the far edges, so adjacent rows never both claim a point.
    constexpr bool contains(Point p) const
    {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    constexpr bool intersects(const Rect& o) const
    {
        return !isEmpty() && !o.isEmpty() && minX() < o.maxX() && o.minX() < maxX() && minY() < o.maxY()
            && o.minY() < maxY();
    }
    // The empty rectangle at the origin when there is no overlap.
    constexpr Rect intersection(const Rect& o) const
    {
        if (!intersects(o))
            return {};
        double x0 = std::max(minX(), o.minX());
        double y0 = std::max(minY(), o.minY());
        return { x0, y0, std::min(maxX(), o.maxX()) - x0, std::min(maxY(), o.maxY()) - y0 };
    }
    constexpr Rect united(const Rect& o) const
    {
        if (isEmpty())
            return o.standardized();
        if (o.isEmpty())
            return standardized();
        double x0 = std::min(minX(), o.minX());
        double y0 = std::min(minY(), o.minY());
        return { x0, y0, std::max(maxX(), o.maxX()) - x0, std::max(maxY(), o.maxY()) - y0 };
    }
    constexpr Rect insetBy(double dx, double dy) const
    {
        Rect r = standardized();
        return { r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy };
    }
    constexpr Rect inset(const EdgeInsets& e) const
    {
        return { origin.x + e.left, origin.y + e.top, size.width - e.left - e.right,
            size.height - e.top - e.bottom };
    }
    constexpr Rect offsetBy(double dx, double dy) const
    {
        return { origin.x + dx, origin.y + dy, size.width, size.height };
    }
    // The smallest rectangle on whole points that holds this one.
    Rect integral() const
    {
        Rect r = standardized();
        double x0 = std::floor(r.minX());
        double y0 = std::floor(r.minY());
        return { x0, y0, std::ceil(r.maxX()) - x0, std::ceil(r.maxY()) - y0 };
    }
};

// The 2x3 affine matrix of the phone toolkit:
//   x' = a*x + c*y + tx,  y' = b*x + d*y + ty.
struct AffineTransform {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;
    double tx = 0;
    double ty = 0;

    friend constexpr bool operator==(const AffineTransform&, const AffineTransform&) = default;

    static constexpr AffineTransform identity() { return {}; }
    static constexpr AffineTransform makeTranslation(double x, double y) { return { 1, 0, 0, 1, x, y }; }
    static constexpr AffineTransform makeScale(double sx, double sy) { return { sx, 0, 0, sy, 0, 0 }; }
    static AffineTransform makeRotation(double angle)
    {
        double s = std::sin(angle);
        double co = std::cos(angle);
        return { co, s, -s, co, 0, 0 };
    }

    constexpr bool isIdentity() const { return *this == identity(); }

    // this followed by t: a point goes through this first, then t.
    constexpr AffineTransform concat(const AffineTransform& t) const
    {
        return { a * t.a + b * t.c, a * t.b + b * t.d, c * t.a + d * t.c, c * t.b + d * t.d,
            tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty };
    }
    AffineTransform rotated(double angle) const { return makeRotation(angle).concat(*this); }
    constexpr AffineTransform scaled(double sx, double sy) const { return makeScale(sx, sy).concat(*this); }
    constexpr AffineTransform translated(double x, double y) const
    {
        return makeTranslation(x, y).concat(*this);
    }

    // A singular matrix has no inverse; it is returned unchanged so callers
    // never divide by zero.
    AffineTransform inverted() const
    {
        double det = a * d - b * c;
        if (det == 0 || !std::isfinite(det))
            return *this;
        return { d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det };
    }

    constexpr Point apply(Point p) const { return { a * p.x + c * p.y + tx, b * p.x + d * p.y + ty }; }
    constexpr Size apply(Size s) const { return { a * s.width + c * s.height, b * s.width + d * s.height }; }
    // The bounding box of the transformed corners.
    Rect apply(const Rect& r) const
    {
        Rect s = r.standardized();
        Point p[4] = { apply(s.origin), apply(Point(s.maxX(), s.minY())), apply(Point(s.minX(), s.maxY())),
            apply(Point(s.maxX(), s.maxY())) };
        double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
        for (const Point& q : p) {
            x0 = std::min(x0, q.x);
            x1 = std::max(x1, q.x);
            y0 = std::min(y0, q.y);
            y1 = std::max(y1, q.y);
        }
        return { x0, y0, x1 - x0, y1 - y0 };
    }
};

} // namespace graphics
