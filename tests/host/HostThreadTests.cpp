// The stand-in host's one-thread contract: an operation called from a thread other than the
// command's ends the process with a message, as a strict host would; the command's thread and a
// thread named with HostSetCommandThread are served.
#include "HostTesting.h"
#include "gateway/HostExports.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

template <typename F> void OnAnotherThread(F f) {
    std::thread thread(f);
    thread.join();
}

TEST(HostThreadDeathTest, AnOperationFromAnotherThreadEndsTheProcess) {
    const auto status = testing::ExitedWithCode(static_cast<int>(HostWrongThreadExitCode));
    EXPECT_EXIT(OnAnotherThread([] { QueryIsFile(L"C:\\"); }), status,
                "TakeCmd: host operation QueryIsFile called from thread \\d+, not from the command's thread");
    EXPECT_EXIT(OnAnotherThread([] { QPuts(L"text"); }), status, "host operation QPuts called from thread");
    wchar_t buffer[8192] = L"%@comma[1234]";
    EXPECT_EXIT(OnAnotherThread([&] { ExpandVariables(buffer, 1); }), status,
                "host operation ExpandVariables called from thread");
}

TEST(HostThreadDeathTest, TheThreadNamedAsTheCommandsIsServedAndTheOldOneIsNot) {
    EXPECT_EXIT(
        {
            long long size = 0;
            OnAnotherThread([&] {
                HostSetCommandThread();
                size = QueryFileSize(L"C:\\does-not-exist.txt", 0);
            });
            if (size == -1) QueryIsFile(L"C:\\");
        },
        testing::ExitedWithCode(static_cast<int>(HostWrongThreadExitCode)),
        "host operation QueryIsFile called from thread");
}

} // namespace
