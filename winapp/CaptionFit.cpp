#include "winapp/CaptionFit.h"

namespace tervaline::winapp {

int FittedPixels(int base, int smallest, const std::function<bool(int pixels)>& fits) {
    for (int pixels = base;; --pixels) {
        if (pixels <= smallest || fits(pixels)) return pixels;
    }
}

}  // namespace tervaline::winapp
