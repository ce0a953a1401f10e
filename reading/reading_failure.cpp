#include "reading/reading_failure.h"

const char* readingFailureCode(ReadingFailure failure)
{
    switch (failure) {
    case ReadingFailure::NotBgraPixels: return "not_bgra_pixels";
    case ReadingFailure::NoLowerEdge: return "no_lower_edge";
    case ReadingFailure::NoLeftSideEdge: return "no_left_side_edge";
    case ReadingFailure::NoRightSideEdge: return "no_right_side_edge";
    case ReadingFailure::NoSideEdges: return "no_side_edges";
    }
    return "no_lower_edge";
}

const char* readingFailureSentence(ReadingFailure failure)
{
    switch (failure) {
    case ReadingFailure::NotBgraPixels:
        return "The face was not given as 4-channel B,G,R,A pixels, so nothing was measured.";
    case ReadingFailure::NoLowerEdge:
        return "No curve below the mouth point touches an edge of the skin region, so the lower "
               "outline of the face was not found.";
    case ReadingFailure::NoLeftSideEdge:
        return "No side curve on the picture's left touches an edge of the skin region, so that "
               "side of the jaw was not found.";
    case ReadingFailure::NoRightSideEdge:
        return "No side curve on the picture's right touches an edge of the skin region, so that "
               "side of the jaw was not found.";
    case ReadingFailure::NoSideEdges:
        return "Neither side curve touches an edge of the skin region, so neither side of the jaw "
               "was found.";
    }
    return "";
}
