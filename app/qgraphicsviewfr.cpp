#include "app/qgraphicsviewfr.h"

void QGraphicsViewFR::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    if (scene())
        fitInView(scene()->sceneRect(), Qt::IgnoreAspectRatio);
}
