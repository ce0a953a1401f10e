#include "app/accessible_texts.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QMainWindow>
#include <QScrollBar>
#include <QWidget>

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("AccessibleTexts", text);
}

void describe(QMainWindow* window, const char* objectName, const char* name,
              const char* description)
{
    if (auto* widget = window->findChild<QWidget*>(QLatin1String(objectName))) {
        widget->setAccessibleName(translated(name));
        widget->setAccessibleDescription(translated(description));
    }
}

// The scroll bars a scroll area shows when its content is larger than the area.
void describeScrollBars(QMainWindow* window, const char* objectName, const char* what)
{
    auto* area = window->findChild<QAbstractScrollArea*>(QLatin1String(objectName));
    if (!area)
        return;
    const QString scrolls = translated("Scrolls %1").arg(translated(what));
    area->horizontalScrollBar()->setAccessibleName(translated("Horizontal scroll bar"));
    area->horizontalScrollBar()->setAccessibleDescription(scrolls);
    area->verticalScrollBar()->setAccessibleName(translated("Vertical scroll bar"));
    area->verticalScrollBar()->setAccessibleDescription(scrolls);
}

}  // namespace

void describeControls(QMainWindow* window)
{
    describe(window, "graphicsView", "Picture",
             "The face shown, or the whole picture with its face boxes");
    describe(window, "horizontalScrollBar", "Face selector",
             "Chooses which face of the picture is shown; Left and Right step through the faces");
    describe(window, "pushButton", "Open Picture", "Open a picture and find its faces (Ctrl+O)");
    describe(window, "pushButton_2", "Read Face", "Read the face shown (Ctrl+R)");
    describe(window, "textBrowser", "Result page",
             "The welcome text, the page of the face type read, or why the reading failed");
    describe(window, "lineEdit", "Shared page",
             "The result page's HTML as Share copied it to the clipboard");
    describe(window, "pushButton_3", "Share",
             "Copy the result page to the clipboard (Ctrl+Shift+C)");
    describe(window, "statusBar", "Status", "What the window did last");
    describe(window, "line", "Column divider",
             "Drag it to share the width between the picture and the result page");
    // Assistive technology meets the picture's viewport as a control of its own.
    if (auto* view = window->findChild<QAbstractScrollArea*>(QStringLiteral("graphicsView"))) {
        view->viewport()->setAccessibleName(view->accessibleName());
        view->viewport()->setAccessibleDescription(view->accessibleDescription());
    }
    describeScrollBars(window, "graphicsView", "the picture");
    describeScrollBars(window, "textBrowser", "the result page");
}
