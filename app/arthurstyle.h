#pragma once
// The program's widget style: the platform's own style with softer, rounded push buttons. It
// only dresses; every widget works the same with Qt's default style.

#include <QProxyStyle>

class ArthurStyle : public QProxyStyle {
public:
    ArthurStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};
