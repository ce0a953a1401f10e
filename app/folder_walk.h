#pragma once
// File > Next and Previous picture: the pictures of the opened picture's folder, taken as
// velmora-cli takes a folder (the same extensions, the byte order of the names).

#include <QString>

// The picture that follows (step 1) or precedes (step -1) the given one in its folder, or an empty
// string when there is none. The given picture need not be one of them (it may have gone, or
// have another suffix): the walk goes on from where its name would stand.
QString neighbourPicture(const QString& picture, int step);
