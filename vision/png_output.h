#pragma once
// Writing a drawn picture to a PNG file, for the window and the command-line tool alike.

class QImage;
class QString;

// Writes through a temporary file beside the target, which replaces the target only once it is
// complete, so that a failed write never leaves half a picture. Empty on success, else why not.
QString writePng(const QImage& image, const QString& path);
