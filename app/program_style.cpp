#include "app/program_style.h"

#include "app/arthurstyle.h"

#include <QList>
#include <QWidget>

void applyProgramStyle(QWidget* window)
{
    // Never deleted: widgets keep a plain pointer to their style until they are gone.
    static auto* style = new ArthurStyle;
    window->setStyle(style);
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* widget : widgets)
        widget->setStyle(style);
}
