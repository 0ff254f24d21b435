// The gateway to the host: thousands separators through the host, and the one-thread rule: a host
// call from another thread is refused (or ends a strict build), and a report worker's queries are
// answered on the host's thread.
#include "core/Limits.h"
#include "gateway/HostGateway.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace scrutel;
using testing_support::Capture;
using testing_support::TempTree;

namespace {

struct CommaCase {
    const char* label;
    const wchar_t* text;
    size_t capacity;
    int result;
    const wchar_t* after;
};

const CommaCase CommaCases[] = {
    {"short number unchanged", L"12", 1024, 0, L"12"},
    {"thousands", L"1234567", 1024, 0, L"1,234,567"},
    {"decimals kept", L"1024.00", 1024, 0, L"1,024.00"},
    {"fits exactly with terminator", L"1234", 6, 0, L"1,234"},
    {"one short", L"1234", 5, 3, L"1234"},
    {"not a number", L"12x", 1024, 2, L"12x"},
};

TEST(FormatWithCommas, Cases) {
    for (const CommaCase& c : CommaCases) {
        SCOPED_TRACE(c.label);
        wchar_t text[1024] = {};
        wcscpy(text, c.text);
        Capture capture; // the host reports a failed expansion on standard error
        EXPECT_EQ(FormatWithCommas(text, c.capacity), c.result);
        EXPECT_STREQ(text, c.after);
    }
}

TEST(FormatWithCommas, LimitsOfTheText) {
    EXPECT_EQ(FormatWithCommas(nullptr, 10), -1);
    std::wstring longest(8182, L'1');
    std::wstring tooLong(8183, L'1');
    std::vector<wchar_t> buffer(9000, 0);
    wcscpy(buffer.data(), tooLong.c_str());
    EXPECT_EQ(FormatWithCommas(buffer.data(), buffer.size()), 1);
    EXPECT_EQ(std::wstring(buffer.data()), tooLong);
    // 8182 digits are accepted, but grouped they no longer fit the host's expansion buffer.
    wcscpy(buffer.data(), longest.c_str());
    Capture capture;
    EXPECT_EQ(FormatWithCommas(buffer.data(), buffer.size()), 2);
    EXPECT_EQ(std::wstring(buffer.data()), longest);
}

template <typename F> void OnAnotherThread(F f) {
    std::thread thread(f);
    thread.join();
}

// The shipped library's behaviour for the length of a test: refuse and go on.
class LaxHostThread {
  public:
    LaxHostThread() : saved_(gateway::StrictHostThread()) { gateway::SetStrictHostThread(false); }
    ~LaxHostThread() { gateway::SetStrictHostThread(saved_); }

  private:
    bool saved_;
};

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The stand-in host ends the process when one of these reaches it from another thread: passing
// also shows that the gateway never passed them on.
TEST(HostThread, CallsFromAnotherThreadAreRefusedWithTheirFailureValues) {
    LaxHostThread lax;
    TempTree tree;
    std::wstring path = tree.file(L"a.txt", "abc");
    Capture capture;
    const uint64_t before = gateway::WrongThreadCalls();
    int isFile = -5, isDirectory = -5, either = -5, expanded = -5, match = -5;
    long long size = 5;
    std::wstring trueName = L"?";
    wchar_t comma[HostExpandChars] = L"1234";
    OnAnotherThread([&] {
        isFile = gateway::QueryIsFile(path.c_str());
        isDirectory = gateway::QueryIsDirectory(tree.root().c_str());
        either = gateway::QueryIsFileOrDirectory(path.c_str());
        size = gateway::QueryFileSize(path.c_str(), 0);
        std::vector<wchar_t> output(PathChars, 0);
        gateway::QueryTrueName(path.c_str(), output.data());
        trueName = output.data();
        expanded = FormatWithCommas(comma, HostExpandChars);
        match = gateway::WildcardComparison(L"*", L"a.txt", 1, 1);
        gateway::QPuts(L"out");
        gateway::Printf(L"%s", L"printed");
        gateway::Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"error");
        gateway::SetColors(0x1F);
    });
    EXPECT_EQ(isFile, 0);
    EXPECT_EQ(isDirectory, 0);
    EXPECT_EQ(either, 0);
    EXPECT_EQ(size, -1);
    EXPECT_EQ(trueName, L"");
    EXPECT_EQ(expanded, 2);
    EXPECT_STREQ(comma, L"1234");
    EXPECT_NE(match, 0);
    EXPECT_EQ(capture.out(), L"");
    EXPECT_EQ(capture.err(), L"");
    EXPECT_EQ(gateway::WrongThreadCalls() - before, 11u);
    // The same calls on the host's thread answer.
    EXPECT_NE(gateway::QueryIsFile(path.c_str()), 0);
    EXPECT_EQ(gateway::QueryFileSize(path.c_str(), 0), 3);
    EXPECT_EQ(gateway::WildcardComparison(L"*", L"a.txt", 1, 1), 0);
    EXPECT_EQ(gateway::WrongThreadCalls() - before, 11u);
}

TEST(HostThreadDeathTest, AStrictBuildEndsTheProcessAtAHostCallFromAnotherThread) {
    ASSERT_TRUE(gateway::StrictHostThread());
    EXPECT_EXIT(OnAnotherThread([] { gateway::QueryIsFile(L"C:\\"); }),
                testing::ExitedWithCode(static_cast<int>(gateway::WrongThreadExitCode)),
                "QueryIsFile called on thread \\d+, not on the host's thread");
}

TEST(HostRequests, AWorkersQueriesAreAnsweredOnTheHostsThread) {
    TempTree tree;
    std::wstring path = tree.file(L"Some File.txt", "abcd");
    gateway::HostRequests requests;
    std::atomic<bool> finished{false};
    int isFile = 0;
    long long size = 0;
    std::wstring trueName;
    wchar_t comma[64] = L"1234567";
    uint64_t forwarded = 0;
    const uint64_t refusedBefore = gateway::WrongThreadCalls();
    std::thread worker([&] {
        gateway::ForwardingScope forwarding(requests);
        isFile = gateway::QueryIsFile(path.c_str());
        size = gateway::QueryFileSize(path.c_str(), 0);
        std::vector<wchar_t> output(PathChars, 0);
        gateway::QueryTrueName(path.c_str(), output.data());
        trueName = output.data();
        FormatWithCommas(comma, 64);
        forwarded = gateway::ForwardedCalls();
        finished = true;
    });
    size_t served = 0;
    while (!finished) {
        served += requests.Serve();
        Sleep(1);
    }
    worker.join();
    EXPECT_NE(isFile, 0);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(Lower(trueName), Lower(path));
    EXPECT_STREQ(comma, L"1,234,567");
    EXPECT_EQ(forwarded, 4u);
    EXPECT_EQ(served, 4u);
    EXPECT_EQ(gateway::WrongThreadCalls(), refusedBefore);
}

TEST(HostRequests, ClosingAnswersAWaitingQueryWithItsFailureValue) {
    TempTree tree;
    std::wstring path = tree.file(L"a.txt", "abc");
    gateway::HostRequests requests;
    long long first = 5, later = 5;
    std::thread worker([&] {
        gateway::ForwardingScope forwarding(requests);
        first = gateway::QueryFileSize(path.c_str(), 0);
        later = gateway::QueryFileSize(path.c_str(), 0);
    });
    while (!requests.Pending())
        Sleep(1);
    requests.Close();
    worker.join();
    EXPECT_EQ(first, -1);
    EXPECT_EQ(later, -1);
    EXPECT_EQ(requests.Serve(), 0u);
}

} // namespace
