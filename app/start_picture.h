#pragma once
// A picture named on the command line (velmora PHOTO, as a file manager's "Open with" calls it).

#include <QString>
#include <QStringList>

// The first picture among the application's arguments (the program name first, Qt's own options
// already taken out), or an empty string when none is given. Further pictures are ignored.
QString pictureFromArguments(const QStringList& arguments);
