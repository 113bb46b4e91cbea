// Fitting captions into the room the window's fixed layout leaves them: a
// caption too wide for its control is drawn a pixel smaller at a time in
// the same face, rather than cut, so that a fallback font or a longer
// language still shows every letter.
#pragma once

#include <functional>
#include <vector>

namespace tervaline::winapp {

// The largest size from Base down to Smallest at which Fits holds; Smallest
// when none does.
int FittedPixels(int base, int smallest, const std::function<bool(int pixels)>& fits);


}  // namespace tervaline::winapp
