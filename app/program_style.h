#pragma once
// The program's widget style, set up once by the program entry; the window tests call the same
// function, so that what they check is what the program does.

class QWidget;

// Gives window and every widget inside it at this moment the program's one ArthurStyle. The style
// is made on the first call and lives as long as the process; widgets made later keep Qt's.
void applyProgramStyle(QWidget* window);
