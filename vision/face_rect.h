#pragma once
// One candidate window or one detected face, in pixels of the picture (origin top-left, rows
// growing downwards). A candidate has neighbors 0; a face, the number of candidates merged into it.

struct FaceRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int neighbors = 0;
};

inline bool operator==(const FaceRect& a, const FaceRect& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
           a.neighbors == b.neighbors;
}
inline bool operator!=(const FaceRect& a, const FaceRect& b) { return !(a == b); }
