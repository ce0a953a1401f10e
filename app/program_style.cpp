#include "app/program_style.h"

#include "app/arthurstyle.h"

#include <QList>
#include <QWidget>

void applyProgramStyle(QWidget* window)
{
    // Never deleted: widgets keep a plain pointer to their style until they are gone.
    static auto* style = new ArthurStyle;
    window->setStyle(style);
    // A widget may make another one when its style changes (a menu rebuilt, say); the walk goes
    // on until every widget there is has the style (a few passes at most).
    bool dressed = false;
    for (int pass = 0; pass < 4 && !dressed; ++pass) {
        dressed = true;
        const QList<QWidget*> widgets = window->findChildren<QWidget*>();
        for (QWidget* widget : widgets)
            if (widget->style() != style) {
                widget->setStyle(style);
                dressed = false;
            }
    }
}
