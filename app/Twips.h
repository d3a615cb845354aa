#pragma once
// Window lengths are designed in twips: 1/1440 inch, 15 to a pixel at 96 dots per inch.
#include <QRect>

namespace pv {

constexpr int twipsToPixels(int twips) {
    return (twips * 2 + 15) / 30;
}  // rounded

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

}  // namespace pv
