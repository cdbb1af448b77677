#pragma once
// Window measures of the system are twips: 1440 to the inch, 15 to the
// (device-independent) pixel at 96 DPI. Every conversion goes through here.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cmath>

namespace vb {

constexpr int TwipsPerInch = 1440;
constexpr int TwipsPerPixel = 15; // Qt lays widgets out in 96-DPI pixels

// Twips to pixels, rounded to the nearest pixel (half to even).
inline int twipsToPixels(double twips)
{
    return static_cast<int>(std::nearbyint(twips / TwipsPerPixel));
}

inline int pixelsToTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}

inline QPoint twipsToPixels(double left, double top)
{
    return {twipsToPixels(left), twipsToPixels(top)};
}

inline QSize twipsToPixelSize(double width, double height)
{
    return {twipsToPixels(width), twipsToPixels(height)};
}

inline QRect twipsToPixelRect(double left, double top, double width, double height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

} // namespace vb
