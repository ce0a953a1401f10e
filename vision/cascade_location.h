#pragma once
// Where the programs find their cascade file.

#include <QString>
#include <QStringList>

// The file name of the frontal-face cascade that both programs load.
QString cascadeFileName();

// The cascade beside the executable (a build folder) if it is there, else the one in the
// installed data folder relative to the executable (bin/../share/velmora). When neither exists the
// path beside the executable comes back, so that the loader's complaint names the usual place.
QString findCascade(const QString& executableFolder);

// The folders findCascade looks in, in its order, for telling the user where the file was sought.
QStringList cascadeFolders(const QString& executableFolder);
