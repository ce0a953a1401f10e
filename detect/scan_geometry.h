#pragma once
// The scales and window grids of the multi-scale scan: the window grows by 1.3 from one scale to
// the next while it stays more than 10 pixels inside the picture, and each scale lays its windows
// on a grid whose step is the scale factor, never below 2 pixels.

#include "vision/haar_cascade.h"

#include <vector>

// The smallest window that is scanned, in either direction.
constexpr int minimumScannedWindow = 30;

struct ScaleLayout {
    double factor = 1.0;
    double gridStep = 2.0;
    int windowWidth = 0;
    int windowHeight = 0;
    int columns = 0;  // grid positions per row, nearest((w - windowWidth) / gridStep)
    int rows = 0;
    // The window's inner rectangle, relative to its top-left corner, that must hold edges.
    int insetX = 0;
    int insetY = 0;
    int innerWidth = 0;
    int innerHeight = 0;

    bool isScanned() const
    {
        return windowWidth >= minimumScannedWindow && windowHeight >= minimumScannedWindow;
    }
};

// The number of factors 1.3^k (formed by repeated multiplication) for which the trained window,
// scaled, stays below w - 10 and h - 10.
int countScales(int pictureWidth, int pictureHeight, WindowSize trained);

// The layout of one scale of a w x h picture.
ScaleLayout scaleLayout(double factor, WindowSize trained, int pictureWidth, int pictureHeight);

// Every scale of the picture in increasing size, the unscanned ones included.
std::vector<ScaleLayout> scanScales(int pictureWidth, int pictureHeight, WindowSize trained);
