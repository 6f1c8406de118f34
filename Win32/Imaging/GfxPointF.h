#pragma once
// Points and rectangles of double coordinates, used by the drawing context.
// GDI receives them truncated toward zero. Like the integer value classes
// they have a virtual destructor as their only virtual operation.

#include "Win32/Utils/GfxTypes.h"

class CGfxPointF {
public:
    CGfxPointF() = default;
    CGfxPointF(double xValue, double yValue) : x(xValue), y(yValue) {}
    explicit CGfxPointF(const CGfxPoint& point) : x(point.x), y(point.y) {}
    CGfxPointF(const CGfxPointF&) = default;
    CGfxPointF& operator=(const CGfxPointF&) = default;
    virtual ~CGfxPointF() = default;

    double x = 0.0;
    double y = 0.0;
};

// Right and bottom are inclusive, as in CGfxRect.
class CGfxRectF {
public:
    CGfxRectF() = default;
    CGfxRectF(double l, double t, double r, double b) : left(l), top(t), right(r), bottom(b) {}
    explicit CGfxRectF(const CGfxRect& rect) : left(rect.left), top(rect.top), right(rect.right), bottom(rect.bottom) {}
    CGfxRectF(const CGfxRectF&) = default;
    CGfxRectF& operator=(const CGfxRectF&) = default;
    virtual ~CGfxRectF() = default;

    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
};
