#pragma once
// The programs read only regular files. A pipe waits for a writer that may never come, a device
// such as /dev/zero never ends, and a folder has no bytes to read: given as a cascade or a
// picture, each is refused at once with its kind named, instead of hanging or eating memory.

#include <cstdint>
#include <string>

struct RegularFile {
    int descriptor = -1;  // open for reading when the file was accepted
    int openError = 0;    // errno of an open that failed (a missing file, no permission, ...)
    std::string refusal;  // why a file that exists is not read: its kind or its size

    RegularFile() = default;
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&&) = delete;
    ~RegularFile();

    bool accepted() const { return descriptor >= 0; }
    // Hands the descriptor on (to fdopen, say); this record no longer closes it.
    int release();
};

// Opens path for reading when it names, through any links, a regular file of at most maxBytes.
// The kind is checked before the open, so that no device or pipe is opened at all, and again on
// the opened descriptor, so that a file swapped in between is not read either. The open never
// waits.
RegularFile openRegularFile(const std::string& path, std::uint64_t maxBytes = UINT64_MAX);

// True when path names (through any links) something that exists and is not a regular file. A
// missing path is not such a thing: whoever reads it says that it is missing.
bool existsButIsNotRegularFile(const std::string& path);
