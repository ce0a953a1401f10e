#pragma once
// Paths that no reader may wait on or read whole, made in a scratch folder, each with the reason
// the programs give for refusing it: devices that never end, a pipe without a writer, a socket, a
// folder and a file past the cascade size limit (sparse, so it costs no disk).

#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

struct BadPath {
    const char* name;
    std::string path;
    std::string refusal;  // as the cascade loader words it
};

// Makes the pipe, socket, folder and large file inside folder (which must exist); empty paths
// for any it could not make, so that the caller's checks fail visibly.
inline std::vector<BadPath> badPaths(const std::string& folder, unsigned long long largeBytes)
{
    const std::string pipe = folder + "/pipe.xml";
    ::mkfifo(pipe.c_str(), 0600);

    const std::string socketPath = folder + "/socket.xml";
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(s);  // the socket file stays

    const std::string subfolder = folder + "/folder.xml";
    ::mkdir(subfolder.c_str(), 0700);

    const std::string large = folder + "/large.xml";
    const int fd = ::open(large.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool grown = fd >= 0 && ::ftruncate(fd, off_t(largeBytes)) == 0;
    if (fd >= 0)
        ::close(fd);

    return {
        {"/dev/zero", "/dev/zero", "not a regular file (a character device)"},
        {"/dev/urandom", "/dev/urandom", "not a regular file (a character device)"},
        {"pipe", pipe, "not a regular file (a pipe)"},
        {"socket", socketPath, "not a regular file (a socket)"},
        {"folder", subfolder, "not a regular file (a folder)"},
        {"large file", grown ? large : std::string(),
         "larger than 64 MiB (" + std::to_string(largeBytes) + " bytes)"},
    };
}
