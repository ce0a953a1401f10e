#include "app/window_placement.h"

#include <QBoxLayout>
#include <QEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QSettings>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

const char geometryKey[] = "WindowGeometry";
const char dividerKey[] = "ColumnDivider";

// Neither column is dragged out of sight.
constexpr double smallestShare = 0.15;
constexpr double largestShare = 0.85;
// Stretch factors carry the share in thousandths.
constexpr int wholeStretch = 1000;

}  // namespace

WindowPlacement::WindowPlacement(QMainWindow* window, QSettings& settings, QWidget* divider,
                                 QBoxLayout* columns)
    : QObject(window), window(window), settings(settings), divider(divider), columns(columns)
{
    divider->setCursor(Qt::SplitHCursor);
    divider->installEventFilter(this);
    window->installEventFilter(this);
    restore();
}

void WindowPlacement::setLeftShare(double share)
{
    share = std::clamp(share, smallestShare, largestShare);
    const int left = int(std::lround(share * wholeStretch));
    columns->setStretch(0, left);
    columns->setStretch(2, wholeStretch - left);
}

std::optional<double> WindowPlacement::leftShare() const
{
    const int left = columns->stretch(0), right = columns->stretch(2);
    if (left + right == 0)
        return std::nullopt;
    return double(left) / (left + right);
}

void WindowPlacement::restore()
{
    const QByteArray geometry = settings.value(geometryKey).toByteArray();
    if (!geometry.isEmpty())
        window->restoreGeometry(geometry);
    bool ok = false;
    const double share = settings.value(dividerKey).toDouble(&ok);
    if (ok && share > 0 && share < 1)
        setLeftShare(share);
}

void WindowPlacement::save()
{
    settings.setValue(geometryKey, window->saveGeometry());
    if (const auto share = leftShare())
        settings.setValue(dividerKey, *share);
}

void WindowPlacement::dragDividerTo(int x)
{
    // The columns share the layout's width less the divider and the spacing around it.
    const QRect area = columns->contentsRect();
    const int between = divider->width() + 2 * std::max(0, columns->spacing());
    const int shared = area.width() - between;
    if (shared <= 0)
        return;
    setLeftShare(double(x - area.left() - between / 2) / shared);
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window && event->type() == QEvent::Close) {
        save();
        return false;
    }
    if (watched != divider)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        dragging = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        return dragging;
    case QEvent::MouseMove:
        if (!dragging)
            return false;
        dragDividerTo(
            divider->mapToParent(static_cast<QMouseEvent*>(event)->position().toPoint()).x());
        return true;
    case QEvent::MouseButtonRelease: dragging = false; return true;
    default: return false;
    }
}
