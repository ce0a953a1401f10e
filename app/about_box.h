#pragma once
// The About box: the program's name and version, what it does, its licence and where its face
// cascade comes from. Reached with F1 and from the picture's context menu.

class QAction;
class QMessageBox;
class QString;
class QWidget;

// The box's text, as rich text.
QString aboutText();

// Shows the About box over the window without blocking it; while one is open, raises that one.
QMessageBox* showAboutBox(QWidget* window);

// An "About Velmora" action with the F1 shortcut that shows the box. It is added to the window,
// so that the shortcut works wherever the focus is inside it.
QAction* addAboutAction(QWidget* window);
