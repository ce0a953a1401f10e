#pragma once
// The picture view: whatever the window's size, the shown face fills the whole view. Faces are
// small crops, and stretching them to the view reads better than letterboxing them.

#include <QGraphicsView>

class QGraphicsViewFR : public QGraphicsView {
public:
    using QGraphicsView::QGraphicsView;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
