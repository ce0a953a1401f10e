#include "vision/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "of an unknown kind";
}

// Empty when the status is a regular file within the size limit.
std::string refusalFor(const struct stat& status, std::uint64_t maxBytes)
{
    if (!S_ISREG(status.st_mode))
        return "not a regular file (" + kindOf(status.st_mode) + ")";
    if (std::uint64_t(status.st_size) > maxBytes) {
        // Limits are whole mebibytes (or more) in practice; the figure says which.
        const std::string limit = maxBytes >= (1u << 20) && maxBytes % (1u << 20) == 0
                                      ? std::to_string(maxBytes >> 20) + " MiB"
                                      : std::to_string(maxBytes) + " bytes";
        return "larger than " + limit + " (" + std::to_string(status.st_size) + " bytes)";
    }
    return {};
}

}  // namespace

RegularFile::RegularFile(RegularFile&& other) noexcept
    : descriptor(std::exchange(other.descriptor, -1)), openError(other.openError),
      refusal(std::move(other.refusal))
{
}

RegularFile::~RegularFile()
{
    if (descriptor >= 0)
        ::close(descriptor);
}

int RegularFile::release() { return std::exchange(descriptor, -1); }

RegularFile openRegularFile(const std::string& path, std::uint64_t maxBytes)
{
    RegularFile file;
    struct stat status;
    if (::stat(path.c_str(), &status) == 0) {
        file.refusal = refusalFor(status, maxBytes);
        if (!file.refusal.empty())
            return file;
    }
    // A missing path falls through to the open, whose error is the one to report.
    errno = 0;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        file.openError = errno;
        return file;
    }
    if (::fstat(descriptor, &status) != 0) {
        file.openError = errno;
        ::close(descriptor);
        return file;
    }
    file.refusal = refusalFor(status, maxBytes);
    if (!file.refusal.empty()) {
        ::close(descriptor);
        return file;
    }
    // Reads of a regular file never wait anyway; the flag only kept the open from waiting.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    file.descriptor = descriptor;
    errno = 0;
    return file;
}

bool existsButIsNotRegularFile(const std::string& path)
{
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}
