// The plugin loaded once and used many times, as a shell keeps it for days: a long mixed run of
// SCRUTEL commands (every kind of fixture file, several hash sets, /S over trees, list files,
// range options, errors) and the three variable functions. After the warm-up and at the end the
// process's handle count and private memory must agree within 1 %, and no thread may be left.
// SCRUTEL_SOAK_COMMANDS sets the length (default 300, checked after 100); bench/soak.sh runs
// 10,000 (checked after 1,000).
#include "HostTesting.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using testing_support::BuildDir;
using testing_support::SourceFixture;
using testing_support::TempTree;
using testing_support::ToUtf8;

namespace {

// Committed memory that is not a mapped image: the private bytes, counted region by region
// (Wine's GetProcessMemoryInfo leaves PrivateUsage at 0).
size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters) &&
        counters.PrivateUsage != 0)
        return counters.PrivateUsage;
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    uintptr_t at = 0x10000;
    while (at < (uintptr_t{1} << 47)) {
        if (VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) != sizeof region) {
            at += 0x10000;
            continue;
        }
        if (region.State == MEM_COMMIT && region.Type != MEM_IMAGE) total += region.RegionSize;
        uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
        at = next > at ? next : at + 0x1000;
    }
    return total;
}

struct Measure {
    size_t handles, privateBytes, threads;
};
Measure Now() {
    return {testing_support::HandlesOfThisProcess(), PrivateBytes(), testing_support::ThreadsOfThisProcess()};
}

using CommandFunction = int(WINAPI*)(wchar_t*);
using VariableFunction = int(WINAPI*)(wchar_t*);
using InitializeFunction = int(WINAPI*)();
using ShutdownFunction = int(WINAPI*)(BOOL);

struct Step {
    std::wstring arguments;
    int expected; // the command's result
};

size_t SoakLength() {
    const char* text = std::getenv("SCRUTEL_SOAK_COMMANDS");
    long n = text ? std::strtol(text, nullptr, 10) : 0;
    return n >= 30 ? static_cast<size_t>(n) : 300;
}

} // namespace

TEST(Soak, ManyCommandsLeaveHandlesMemoryAndThreadsAsTheyWere) {
    HMODULE plugin = LoadLibraryW((BuildDir() + L"\\scrutel.dll").c_str());
    ASSERT_NE(plugin, nullptr) << "scrutel.dll not found beside the test program";
    auto command =
        reinterpret_cast<CommandFunction>(reinterpret_cast<void*>(GetProcAddress(plugin, "scrutel")));
    auto initialize = reinterpret_cast<InitializeFunction>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "InitializePlugin")));
    auto shutdown =
        reinterpret_cast<ShutdownFunction>(reinterpret_cast<void*>(GetProcAddress(plugin, "ShutdownPlugin")));
    auto rptarget = reinterpret_cast<VariableFunction>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "?f_rptarget@@YAHPEA_W@Z")));
    auto fhver = reinterpret_cast<VariableFunction>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "?_fhver$@@YAHPEA_W@Z")));
    auto clver = reinterpret_cast<VariableFunction>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "?_clver$@@YAHPEA_W@Z")));
    ASSERT_TRUE(command && initialize && shutdown && rptarget && fhver && clver);
    HostRegisterPlugin(plugin);
    ASSERT_EQ(initialize(), 0);

    TempTree tree;
    const std::wstring kinds = SourceFixture(L"kinds"), hostile = SourceFixture(L"hostile");
    std::string list = ToUtf8(kinds + L"\\text\\utf8.txt\r\n" + kinds + L"\\img\\plain.png\r\n" + kinds +
                              L"\\exe\\console64.exe\r\n\r\n" + kinds + L"\\font\\sample.ttc\r\n");
    const std::wstring listFile = tree.file(L"list.txt", list);
    const std::vector<Step> steps = {
        {L"/S \"" + kinds + L"\\*\"", 0},
        {L"/C:CRC32,CKSUM,MD5,SHA1,SHA256,SHA384,SHA512 \"" + kinds + L"\\text\\*\"", 0},
        {L"/S /O:HZT \"" + hostile + L"\\*\"", 0},
        {L"/[s1k,1m] /[!*.png *.tif] /S \"" + kinds + L"\\*\"", 0},
        {L"@\"" + listFile + L"\"", 0},
        {L"/Q:nonsense", 1},
        {L"\"" + tree.path(L"missing\\nothing.txt") + L"\"", 2},
        {L"/[d2020-01-01,+20000] /[w:mon-sun] /[t0:00,23:59] /S \"" + kinds + L"\\*\"", 0},
        {L"/[i*] /[o*] \"" + kinds + L"\\described\\*\"", 0},
        {L"/C:SHA512 /O:K /W:100 \"" + kinds + L"\\exe\\*\"", 0},
        {L"/S:1+1 /A:-H /N:J \"" + kinds + L"\\*\"", 0},
        {L"/[!x", 1},
    };

    const size_t total = SoakLength(), warmUp = total / 10 < 100 ? 100 : total / 10;
    Measure atWarmUp{}, atEnd{};
    for (size_t i = 0; i < total; ++i) {
        const Step& step = steps[i % steps.size()];
        std::vector<wchar_t> text(step.arguments.begin(), step.arguments.end());
        text.push_back(0);
        text.resize(8192, 0);
        HostStartCapture();
        int result = command(text.data());
        // A folder that is no reparse point: @RPTARGET's error path, message and all (the
        // "nul" device it silences the host with must be closed every time).
        wchar_t buffer[8192] = {};
        wcscpy(buffer, (kinds + L"\\text").c_str());
        int rp = rptarget(buffer);
        buffer[0] = 0;
        int fh = fhver(buffer);
        buffer[0] = 0;
        int cl = clver(buffer);
        HostStopCapture();
        ASSERT_EQ(result, step.expected) << "command " << i << ": " << ToUtf8(step.arguments);
        EXPECT_EQ(rp, -1);
        EXPECT_EQ(fh, 0);
        EXPECT_EQ(cl, 0);

        if (i + 1 == warmUp) atWarmUp = Now();
    }
    atEnd = Now();
    std::printf("after %zu commands: %zu handles, %zu private bytes, %zu threads\n", warmUp, atWarmUp.handles,
                atWarmUp.privateBytes, atWarmUp.threads);
    std::printf("after %zu commands: %zu handles, %zu private bytes, %zu threads\n", total, atEnd.handles,
                atEnd.privateBytes, atEnd.threads);
    ASSERT_GT(atWarmUp.handles, 0u) << "no way to count handles here";
    ASSERT_GT(atWarmUp.privateBytes, 0u);
    {
        // The measures must see a leak of the kind they guard against: ten handles and 2 MiB.
        std::vector<HANDLE> events;
        for (int i = 0; i < 10; ++i)
            events.push_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        std::vector<std::unique_ptr<char[]>> blocks;
        for (int i = 0; i < 32; ++i) {
            blocks.emplace_back(new char[64 * 1024]);
            std::memset(blocks.back().get(), i + 1, 64 * 1024);
        }
        Measure leaking = Now();
        EXPECT_GE(leaking.handles, atEnd.handles + 10);
        EXPECT_GE(leaking.privateBytes, atEnd.privateBytes + (1u << 20));
        for (HANDLE event : events)
            CloseHandle(event);
    }
    EXPECT_LE(atEnd.handles * 100, atWarmUp.handles * 101);
    EXPECT_LE(atEnd.privateBytes * 100, atWarmUp.privateBytes * 101);
    EXPECT_LE(atEnd.threads, atWarmUp.threads);

    EXPECT_EQ(shutdown(FALSE), 0);
    HostUnregisterPlugin(plugin);
    FreeLibrary(plugin);
}
