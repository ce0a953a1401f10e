#pragma once
// A face's box in the whole-picture view: invisible (the drawing underneath shows the box), but
// it takes the clicks inside it and hands them to the window. Showing the face replaces the
// scene's items, this one included, so the window must act on the click only after the event.

#include <QGraphicsRectItem>

#include <functional>

class FaceBoxItem : public QGraphicsRectItem {
public:
    FaceBoxItem(const QRectF& box, std::function<void()> clicked);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;

private:
    std::function<void()> clicked;
};
