#pragma once
// Where the magnifier of the region selector goes. The view (a square of
// platform::Overlay::kViewSize) sits up and to the left of the pointer, or to its right while a
// rightward drag is under way, and flips to the other side where it would leave the screen.
// Its picture is a square of platform::Overlay::kSourceSize around the pointer.

struct MagnifierPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MagnifierPoint&) const = default;
};

class Magnifier {
public:
    // Distance of the view's near edge from the pointer, and of its far edge.
    static constexpr int kGap = 30;
    static constexpr int kReach = 130;
    // Room right of the pointer below which the view stays on the left.
    static constexpr int kRightRoom = 110;

    // Top-left corner of the view for the pointer at (x, y) on a screen of that size; x1 is
    // the drag's starting column, used while selecting.
    static MagnifierPoint placement(int x, int y, int screenWidth, int screenHeight, bool selecting,
                                    int x1);

    // Top-left corner of the source block for the pointer at (x, y): 10.5 pixels up and to
    // the left, truncated toward zero, so (5, 5) gives (-5, -5).
    static MagnifierPoint sourceOrigin(int x, int y);

    // The left edge of the source square once the pointer has reached it: it hops between
    // the two bottom corners of the screen.
    static int hopSourceLeft(int sourceLeft, int screenWidth);
};
