#pragma once
// A test photo as the window hands it to the detector: reduced, B,G,R,A, then grey.

#include "vision/image_buffer.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <gtest/gtest.h>

#include <string>

inline ImageBuffer greyPhoto(const std::string& name)
{
    const QImage photo(QString::fromStdString(std::string(VELMORA_TEST_DATA) + "/photos/" + name));
    EXPECT_FALSE(photo.isNull()) << name;
    return toGray(loadImageBuffer(reducePicture(photo)));
}
