// The main of the GoogleTest programs.
//
// Qt converts big pictures on its global thread pool, and an idle pool thread ends 30 s after its
// last task: at any moment of a long test program, its last moment included. The leak checker of
// the sanitizer builds stops every thread at exit to scan them, and a thread that is ending just
// then can crash it ("Tracer caught signal 11"), failing a program whose tests all passed. So the
// pool keeps its threads until the tests are done, then lets them go and this waits until they
// have left the process: the leak check then meets the main thread alone.

#include <QThreadPool>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <system_error>
#include <thread>

namespace {

std::ptrdiff_t threadCount()
{
    std::error_code error;
    const std::filesystem::directory_iterator tasks("/proc/self/task", error);
    return error ? 1 : std::distance(tasks, std::filesystem::directory_iterator());
}

// A thread that Qt has let go still runs a little (its thread-local cleanup) after the pool
// stops waiting for it.
void waitUntilAlone()
{
    using namespace std::chrono_literals;
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (threadCount() > 1 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
}

}  // namespace

int main(int argc, char** argv)
{
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QThreadPool::globalInstance()->waitForDone();
    waitUntilAlone();
    return result;
}
