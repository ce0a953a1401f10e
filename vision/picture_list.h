#pragma once
// What velmora-cli's command line names, as the list of pictures to examine: a file as it is
// given, a folder as its image files in the byte order of their names, with its subfolders in
// their places when asked to recurse. The window walks a picture's folder in the same order. Folder entries that cannot be listed or followed stay in the list
// in their places, with the reason, so that they are reported in order with the pictures.

#include <string>
#include <string_view>
#include <vector>

struct ListedEntry {
    std::string path;     // the argument, or the argument's folder path and the entry's name
    std::string problem;  // empty for a picture to examine; else why the entry is reported
};

// The extensions the picture readers are asked for: png, jpg, jpeg and bmp, in any case.
bool hasImageExtension(std::string_view name);

std::vector<ListedEntry> listPictures(const std::vector<std::string>& arguments, bool recursive);

// The entries' paths, in list order.
std::vector<std::string> entryPaths(const std::vector<ListedEntry>& entries);
