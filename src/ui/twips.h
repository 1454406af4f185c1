// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

// Window coordinates are kept in twips (1/1440 inch) and placed through the screen's logical
// resolution: 15 twips per pixel at 96 dots per inch.
struct TwipsRect {
    int left, top, width, height;
};

inline double twipsPerPixel(double logicalDpi) {
    return logicalDpi > 0 ? 1440.0 / logicalDpi : 15.0;
}

inline int twipsToPixels(int twips, double perPixel) {
    return qRound(twips / perPixel);
}

inline QRect toPixels(const TwipsRect& r, double perPixel) {
    return QRect(twipsToPixels(r.left, perPixel), twipsToPixels(r.top, perPixel), twipsToPixels(r.width, perPixel),
                 twipsToPixels(r.height, perPixel));
}
