#pragma once
// Twips to device-independent pixels: 15 twips are one pixel.

#include <QPoint>
#include <QRect>

namespace ui {

constexpr int kTwipsPerPixel = 15;

constexpr int twips(int value)
{
    return (value + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

inline QPoint twipsPoint(int left, int top)
{
    return {twips(left), twips(top)};
}

} // namespace ui
