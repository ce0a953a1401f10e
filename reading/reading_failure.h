#pragma once
// Why a reading failed: one value per test of the reader that can end it. Each has a stable
// snake_case code for scripts and one plain sentence for people.

enum class ReadingFailure {
    NotBgraPixels,    // the face was not 4-channel B,G,R,A bytes
    NoLowerEdge,      // no lower curve below the mouth touches an edge pixel
    NoLeftSideEdge,   // the right side curve was fitted, the left one touches no edge pixel
    NoRightSideEdge,  // the left side curve was fitted, the right one touches no edge pixel
    NoSideEdges,      // neither side curve touches an edge pixel
};

// "not_bgra_pixels", "no_lower_edge", "no_left_side_edge", "no_right_side_edge", "no_side_edges".
const char* readingFailureCode(ReadingFailure failure);

// One English sentence, ending in a full stop.
const char* readingFailureSentence(ReadingFailure failure);
