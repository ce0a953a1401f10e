#pragma once
// Where --annotate writes its pictures, and the writing itself.

#include "cli/examine_picture.h"

#include <QString>

#include <string>
#include <vector>

// DIR/NAME.png for each picture, decided for the whole batch in argument order, before any picture
// is examined, so that the names never depend on which picture finishes first. NAME is the
// picture's file name without its last suffix ("picture" when nothing is left). A name that an
// earlier picture of the batch already has, or whose file is one of the input pictures (compared
// by canonical path, so links count), gets "-2", "-3", ... added. Files left by an earlier run
// are overwritten.
std::vector<QString> annotatedPicturePaths(const QString& folder,
                                           const std::vector<std::string>& pictures);

// The reduced picture with the findings drawn on it: every detected face's box and number, and
// the outline and outcome of each face that was read.
QImage drawFindings(const PictureFindings& findings);

// Creates the folder if needed and writes the image as PNG. Empty on success, else why not.
std::string writeAnnotatedPicture(const QString& path, const QImage& image);
