#pragma once
// The names and descriptions assistive technology reads for the window's controls. Buttons are
// named by their texts already; the others have none of their own.

class QMainWindow;

void describeControls(QMainWindow* window);
