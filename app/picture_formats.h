#pragma once
// The pictures the open dialog offers: every format Qt can read on this machine, which depends on
// the image-format plugins installed (WebP, TIFF and others come as plugins).

#include <QString>
#include <QStringList>

// The file patterns of every format QImageReader reads here, such as "*.png" and "*.webp".
QStringList readablePicturePatterns();

// The open dialog's filters, separated by ";;" as QFileDialog takes them: "Image files (...)"
// first, with the patterns of the given filter ("Image Files (*.png *.jpg *.jpeg *.bmp)") in
// front and then those of every other readable format; then one filter per readable format; then
// "All files (*)".
QString pictureFileFilters(const QString& given);
