#pragma once
// Where the window was when it was last closed: its size and position, and the place of the
// divider between the picture column and the result column, which the user can drag. All kept in
// the settings; the first start uses the window's own size and lets the layout share the width.

#include <QObject>

#include <optional>

class QBoxLayout;
class QMainWindow;
class QSettings;
class QWidget;

class WindowPlacement : public QObject {
public:
    // columns holds the left column at 0, the divider at 1 and the right column at 2.
    WindowPlacement(QMainWindow* window, QSettings& settings, QWidget* divider,
                    QBoxLayout* columns);

    // The left column's share of the two columns' width, 0 to 1; none until the divider is
    // dragged.
    void setLeftShare(double share);
    std::optional<double> leftShare() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restore();
    void save();
    void dragDividerTo(int x);

    QMainWindow* window;
    QSettings& settings;
    QWidget* divider;
    QBoxLayout* columns;
    bool dragging = false;
};
