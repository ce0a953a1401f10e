#include "app/view_zoom.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr double zoomStep = 1.25;
constexpr double smallestZoom = 1.0 / 16;
constexpr double largestZoom = 32;

}  // namespace

ViewZoom::ViewZoom(QGraphicsView* view) : QObject(view), view(view), viewport(view->viewport())
{
    view->installEventFilter(this);
    viewport->installEventFilter(this);
}

void ViewZoom::setKeepProportions(bool keepProportions)
{
    keep = keepProportions;
    fit();
}

void ViewZoom::fit()
{
    scale.reset();
    apply();
}

void ViewZoom::zoomIn() { zoomBy(zoomStep); }

void ViewZoom::zoomOut() { zoomBy(1 / zoomStep); }

void ViewZoom::actualSize() { setZoom(1); }

void ViewZoom::zoomBy(double factor)
{
    if (!view->scene())
        return;
    if (scale) {
        setZoom(*scale * factor);
        return;
    }
    // From a fit, zooming starts at the scale that shows the whole scene with its proportions.
    const QRectF scene = view->sceneRect();
    const QSize port = view->viewport()->size();
    if (scene.isEmpty() || port.isEmpty())
        return;
    setZoom(std::min(port.width() / scene.width(), port.height() / scene.height()) * factor);
}

void ViewZoom::setZoom(double newScale)
{
    scale = std::clamp(newScale, smallestZoom, largestZoom);
    apply();
}

void ViewZoom::apply()
{
    if (!view->scene())
        return;
    if (scale)
        view->setTransform(QTransform::fromScale(*scale, *scale));
    else
        view->fitInView(view->sceneRect(), keep ? Qt::KeepAspectRatio : Qt::IgnoreAspectRatio);
}

// The view's own functions are called only for the two events looked at: the others include
// those of the view's destruction, when it is no longer a view.
bool ViewZoom::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched == viewport) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier) || wheel->angleDelta().y() == 0)
            return false;
        const QGraphicsView::ViewportAnchor anchor = view->transformationAnchor();
        view->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
        zoomBy(wheel->angleDelta().y() > 0 ? zoomStep : 1 / zoomStep);
        view->setTransformationAnchor(anchor);
        return true;
    }
    if (event->type() == QEvent::Resize && watched == view && (keep || scale)) {
        // The view stretches its scene over itself on every resize. It lays itself out first
        // here, and then this fit or zoom is put back, before anything is painted.
        static_cast<QObject*>(view)->event(event);
        apply();
        return true;
    }
    return false;
}
