#pragma once
// How the picture view shows its scene: stretched over the whole view (as the view does by
// itself on every resize), fitted with its proportions kept, or at a chosen zoom. Ctrl with the
// mouse wheel zooms at the pointer.

#include <QObject>

#include <optional>

class QGraphicsView;
class QWidget;

class ViewZoom : public QObject {
public:
    explicit ViewZoom(QGraphicsView* view);

    // The fit mode: proportions kept, or the scene stretched over the view (the default).
    void setKeepProportions(bool keep);
    bool keepsProportions() const { return keep; }

    // Back to the fit mode; a new face or picture starts there.
    void fit();
    void zoomIn();
    void zoomOut();
    void actualSize();
    // View pixels per scene unit while zoomed; none while fitted.
    std::optional<double> zoom() const { return scale; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void zoomBy(double factor);
    void setZoom(double newScale);
    void apply();

    QGraphicsView* view;
    QWidget* viewport;
    bool keep = false;
    std::optional<double> scale;
};
