#pragma once
// How the findings of one picture are printed: a JSON object for scripts, or readable lines.

#include "cli/examine_picture.h"

#include <string>

// "WOOD" .. "WATER", "failed" or "not_colour".
std::string outcomeName(const ReadOutcome& outcome);

// One JSON object, keys in a fixed order, without the end of line.
std::string findingsJson(const PictureFindings& findings);

// The readable lines for standard output, each ending in an end of line: one for the picture,
// one per listed face. Empty for a picture that could not be read.
std::string findingsText(const PictureFindings& findings);

// The readable line for standard error when the picture failed, else empty.
std::string findingsErrorText(const PictureFindings& findings);
