#include "vision/diagnostics.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <thread>

namespace {

// Threads that collect their own lines see only their own, whole and in order, whatever the
// shared stream is; a thread that collects nothing writes to the shared stream.
TEST(Diagnostics, ThreadStreamsKeepEachThreadsLinesApart)
{
    for (bool silenced : {false, true}) {
        std::ostringstream shared;
        setDiagnosticsStream(silenced ? nullptr : &shared);
        std::ostringstream collected[2];
        std::thread threads[2];
        for (int t = 0; t < 2; ++t) {
            threads[t] = std::thread([&, t] {
                setThreadDiagnosticsStream(&collected[t]);
                for (int line = 0; line < 200; ++line)
                    diagnostics() << "thread " << t << " line " << line << '\n';
                setThreadDiagnosticsStream(nullptr);
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        std::thread([] { diagnostics() << "not collected\n"; }).join();
        setDiagnosticsStream(&std::cout);

        for (int t = 0; t < 2; ++t) {
            std::string expected;
            for (int line = 0; line < 200; ++line)
                expected += "thread " + std::to_string(t) + " line " + std::to_string(line) + '\n';
            EXPECT_EQ(collected[t].str(), expected);
        }
        EXPECT_EQ(shared.str(), silenced ? "" : "not collected\n");
    }
}

// Handing back what diagnostics() gave while silenced is silence again, not that one thread's
// stream shared by all.
TEST(Diagnostics, SilenceHandedBackStaysSilence)
{
    setDiagnosticsStream(nullptr);
    std::ostream& kept = diagnostics();
    setDiagnosticsStream(&kept);
    const std::ostream* elsewhere = nullptr;
    std::thread([&] { elsewhere = &diagnostics(); }).join();
    setDiagnosticsStream(&std::cout);
    EXPECT_NE(elsewhere, &kept);
    EXPECT_NE(elsewhere, &std::cout);
}

}  // namespace
