#include "app/arthurstyle.h"

#include <QLinearGradient>
#include <QPainter>
#include <QStyleOption>

ArthurStyle::ArthurStyle() = default;

void ArthurStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const
{
    if (element != PE_PanelButtonCommand) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }

    // A rounded panel lit from above; pressed buttons are lit from below so they look pushed in.
    const QPalette& palette = option->palette;
    const bool enabled = option->state & State_Enabled;
    const bool sunken = option->state & (State_Sunken | State_On);
    const bool hovered = enabled && (option->state & State_MouseOver);

    QColor base = palette.color(QPalette::Button);
    if (hovered)
        base = base.lighter(106);
    const QColor light = base.lighter(enabled ? 118 : 104);
    const QColor dark = base.darker(enabled ? 112 : 104);

    const QRectF panel = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient gradient(panel.topLeft(), panel.bottomLeft());
    gradient.setColorAt(0.0, sunken ? dark : light);
    gradient.setColorAt(1.0, sunken ? light : dark);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(palette.color(QPalette::Dark));
    painter->setBrush(gradient);
    painter->drawRoundedRect(panel, 4.0, 4.0);
    if (option->state & State_HasFocus) {
        painter->setPen(palette.color(QPalette::Highlight));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(panel.adjusted(1.5, 1.5, -1.5, -1.5), 3.0, 3.0);
    }
    painter->restore();
}

int ArthurStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                             const QWidget* widget) const
{
    // A little more air around button texts, to go with the rounded corners.
    if (metric == PM_ButtonMargin)
        return QProxyStyle::pixelMetric(metric, option, widget) + 2;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
