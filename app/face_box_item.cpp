#include "app/face_box_item.h"

#include <QCursor>
#include <QGraphicsSceneMouseEvent>
#include <QPen>

FaceBoxItem::FaceBoxItem(const QRectF& box, std::function<void()> clicked)
    : QGraphicsRectItem(box), clicked(std::move(clicked))
{
    setPen(Qt::NoPen);
    setBrush(Qt::NoBrush);
    setCursor(Qt::PointingHandCursor);
    setAcceptedMouseButtons(Qt::LeftButton);
}

void FaceBoxItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    event->accept();
    if (clicked)
        clicked();
}
