#pragma once
// What velmora answers on the command line without opening its window: --help and --version print
// and end the program, an unknown option is a usage error. A picture named there opens the window
// as before (start_picture.h).

#include <QStringList>

#include <optional>
#include <ostream>

// --help (-h) or --version anywhere before "--": the text on out and exit status 0. Runs
// before the application object exists, so that it needs no display.
std::optional<int> answerHelpOrVersion(const QStringList& arguments, std::ostream& out);

// An option that neither velmora nor Qt knows (Qt has taken its own out of the arguments by now):
// the complaint and the usage on err, exit status 2.
std::optional<int> refuseUnknownOptions(const QStringList& arguments, std::ostream& err);

// The arguments as the program got them, for answerHelpOrVersion.
QStringList argumentList(int argc, char* argv[]);
