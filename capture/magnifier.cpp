#include "capture/magnifier.h"

#include <cmath>

#include "platform/overlay.h"

MagnifierPoint Magnifier::placement(int x, int y, int screenWidth, int screenHeight, bool selecting,
                                    int x1) {
    MagnifierPoint at{x - kReach, y - kReach};
    // A rightward drag grows under the view's usual place, so it moves out of the way.
    if (selecting && x > x1) at.x = x + kGap;
    if (x + kRightRoom > screenWidth) at.x = x - kReach;
    if (at.x < 0) at.x = x + kGap;
    if (at.y < 0) at.y = y + kGap;
    if (at.y + platform::Overlay::kViewSize > screenHeight) at.y = y - kReach;
    return at;
}

MagnifierPoint Magnifier::sourceOrigin(int x, int y) {
    const double half = platform::Overlay::kSourceSize / 2.0;
    return {int(std::trunc(x - half)), int(std::trunc(y - half))};
}

int Magnifier::hopSourceLeft(int sourceLeft, int screenWidth) {
    return sourceLeft == 0 ? screenWidth - platform::Overlay::kSourceSize : 0;
}
