#include "detect/scan_geometry.h"

#include "detect/rounding.h"

namespace {
constexpr double scaleStep = 1.3;
constexpr int pictureMargin = 10;
constexpr double minimumGridStep = 2.0;
constexpr double innerInset = 0.15;
constexpr double innerSize = 0.7;
}  // namespace

int countScales(int pictureWidth, int pictureHeight, WindowSize trained)
{
    // The margins are signed: a picture narrower than 10 pixels has none.
    const double widthLimit = double(pictureWidth) - pictureMargin;
    const double heightLimit = double(pictureHeight) - pictureMargin;
    int n = 0;
    double f = 1.0;
    // A trained window without area would never outgrow the picture.
    if (trained.width < 1 || trained.height < 1)
        return 0;
    if (trained.width < widthLimit) {
        for (;;) {
            if (!(trained.height * f < heightLimit))
                break;
            f *= scaleStep;
            ++n;
            if (!(trained.width * f < widthLimit))
                break;
        }
    }
    return n;
}

ScaleLayout scaleLayout(double factor, WindowSize trained, int pictureWidth, int pictureHeight)
{
    ScaleLayout s;
    s.factor = factor;
    s.gridStep = factor > minimumGridStep ? factor : minimumGridStep;
    s.windowWidth = nearest(factor * trained.width);
    s.windowHeight = nearest(factor * trained.height);
    s.columns = nearest((pictureWidth - s.windowWidth) / s.gridStep);
    s.rows = nearest((pictureHeight - s.windowHeight) / s.gridStep);
    s.insetX = nearest(innerInset * s.windowWidth);
    s.insetY = nearest(innerInset * s.windowHeight);
    s.innerWidth = nearest(innerSize * s.windowWidth);
    s.innerHeight = nearest(innerSize * s.windowHeight);
    return s;
}

std::vector<ScaleLayout> scanScales(int pictureWidth, int pictureHeight, WindowSize trained)
{
    std::vector<ScaleLayout> scales;
    const int n = countScales(pictureWidth, pictureHeight, trained);
    double f = 1.0;
    for (int k = 0; k < n; ++k, f *= scaleStep)
        scales.push_back(scaleLayout(f, trained, pictureWidth, pictureHeight));
    return scales;
}
