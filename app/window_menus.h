#pragma once
// The window's menu bar and every action in it. MainWindow connects them; the picture's context
// menu shares the view actions with the View menu.
//
// The form keeps its own menu bar (File and Help with actions that do nothing), hidden and
// disabled for good; this menu bar stands in its place, and that one stays a hidden child of the
// window.

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QWidget;

struct WindowMenus {
    QMenuBar* bar = nullptr;

    QMenu* file = nullptr;
    QAction* openPicture = nullptr;
    QMenu* recent = nullptr;
    QAction* nextPicture = nullptr;
    QAction* previousPicture = nullptr;
    QAction* saveAnnotated = nullptr;
    QAction* quit = nullptr;

    QMenu* view = nullptr;
    QAction* showMeasurements = nullptr;
    QAction* wholePicture = nullptr;
    QAction* leaveWholePicture = nullptr;  // Escape; in no menu
    QAction* keepProportions = nullptr;
    QAction* zoomIn = nullptr;
    QAction* zoomOut = nullptr;
    QAction* fit = nullptr;
    QAction* actualSize = nullptr;

    // The reading actions stand together at the top of the Face menu, Read Face first.
    QMenu* face = nullptr;
    QAction* readFace = nullptr;
    QAction* steadyReading = nullptr;
    QAction* nextFace = nullptr;
    QAction* previousFace = nullptr;
    QAction* firstFace = nullptr;
    QAction* lastFace = nullptr;
    QAction* share = nullptr;

    QMenu* help = nullptr;
    QAction* failuresExplained = nullptr;
    QAction* about = nullptr;
};

// Makes the actions (each with its shortcut, a description as its tool tip and an object name)
// and the menus, and sets the menu bar on the window. about is the window's About action.
WindowMenus buildWindowMenus(QMainWindow* window, QAction* about);

// Keeps the action enabled exactly while the widget is, so that a menu entry or shortcut that
// stands for a button or the face selector is off when they are.
void followEnabled(QWidget* widget, QAction* action);
