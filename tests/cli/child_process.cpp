#include "child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The caller's environment without anything that would let Qt reach a display: the tool must
// work on a headless server.
std::vector<std::string> headlessEnvironment()
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM")
            continue;
        env.push_back(entry);
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

}  // namespace

ChildResult runCli(const std::vector<std::string>& args, const std::string& workingDirectory,
                   ChildStderr stderrTo, int timeLimitSeconds)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeLimitSeconds);
    std::vector<std::string> argv{VELMORA_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = headlessEnvironment();
    std::vector<char*> argvPointers = pointers(argv);
    std::vector<char*> envPointers = pointers(env);

    int outPipe[2];
    int errPipe[2];  // [0] read by this process, [1] the child's stderr
    ChildResult result;
    if (pipe(outPipe) != 0)
        return result;
    if (stderrTo == ChildStderr::Terminal) {
        if (openpty(&errPipe[0], &errPipe[1], nullptr, nullptr, nullptr) != 0)
            return result;
    } else if (pipe(errPipe) != 0) {
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        close(outPipe[1]);
        close(errPipe[1]);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
            _exit(126);
        execve(argvPointers[0], argvPointers.data(), envPointers.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);

    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        int wait = -1;
        if (timeLimitSeconds > 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                kill(pid, SIGKILL);
                result.timedOut = true;
                break;
            }
            wait = int(left.count());
        }
        const int ready = poll(fds, 2, wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (ready == 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char chunk[65536];
            // A pseudo-terminal whose other side has closed reports EIO rather than an end.
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n > 0) {
                sinks[i]->append(chunk, std::size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }

    for (const pollfd& fd : fds)
        if (fd.fd >= 0)
            close(fd.fd);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.peakRssKb = usage.ru_maxrss;
    return result;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}
