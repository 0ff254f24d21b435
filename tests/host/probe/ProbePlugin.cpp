// A small plugin used only by the stand-in host's tests: commands that print what they receive
// and every printf conversion of the host interface, and variable functions that succeed, fail,
// overflow or leave their buffer unterminated. Built twice: with plugin information
// (hostprobe.dll) and, with PROBE_BARE, as a plugin that exports nothing but its command
// (hostprobebare.dll).
#include "gateway/HostExports.h"

#include <cwchar>
#include <string>

#ifndef PROBE_BARE
namespace {

bool Quiet() {
    wchar_t buffer[8192] = L"%[_transient]%[_pipe]";
    return ExpandVariables(buffer, 1) != 0 || wcscmp(buffer, L"00") != 0;
}

std::wstring Rest(const wchar_t* text, const wchar_t* word) {
    size_t n = wcslen(word);
    if (_wcsnicmp(text, word, n) != 0) return L"";
    const wchar_t* rest = text + n;
    if (*rest == L' ') ++rest;
    return rest;
}

} // namespace
#endif

#ifdef PROBE_BARE

extern "C" __declspec(dllexport) int WINAPI scrutel(wchar_t* arguments) {
    Printf(L"bare:[%s]\r\n", arguments);
    return 4;
}

#else

struct ProbeInfo {
    const wchar_t* pluginName;
    const wchar_t* author;
    const wchar_t* email;
    const wchar_t* webPage;
    const wchar_t* description;
    const wchar_t* implementedNames;
    int majorVersion;
    int minorVersion;
    int build;
    HMODULE module;
    const wchar_t* moduleName;
};

static ProbeInfo g_info;

extern "C" {

__declspec(dllexport) ProbeInfo* WINAPI GetPluginInfo(HMODULE) {
    g_info = {L"Probe",
              L"Tests",
              L"tests@example.invalid",
              L"https://example.invalid",
              L"Host tests.",
              L"probe, ProbeNext,*proberaw,@twice,_answer",
              1,
              2,
              3,
              g_info.module,
              g_info.moduleName};
    return &g_info;
}

__declspec(dllexport) int WINAPI InitializePlugin() {
    wchar_t refuse[16];
    if (GetEnvironmentVariableW(L"PROBE_REFUSE", refuse, 16) > 0) return -1;
    if (!Quiet()) Printf(L"Probe loaded.\r\n");
    return 0;
}

__declspec(dllexport) int WINAPI ShutdownPlugin(BOOL) {
    if (!Quiet()) Printf(L"Probe shut down.\r\n");
    return 0;
}

// probe args TEXT | formats | unicode | exit N | expand TEXT | module | fill
__declspec(dllexport) int WINAPI probe(wchar_t* arguments) {
    if (_wcsnicmp(arguments, L"args", 4) == 0) {
        Printf(L"[%s]\r\n", Rest(arguments, L"args").c_str());
        return 0;
    }
    if (_wcsicmp(arguments, L"formats") == 0) {
        Printf(L"s=%s|\r\n", L"wide text");
        Printf(L"c=%c|\r\n", L'W');
        Printf(L"I64u=%I64u|\r\n", 18446744073709551615ULL);
        Printf(L"u=%u|\r\n", 4000000000u);
        Printf(L"d=%d|\r\n", -42);
        Printf(L"X=%X|\r\n", 0xBEEFu);
        Printf(L"02X=%02X|\r\n", 0x7u);
        Printf(L"08X=%08X|\r\n", 0xABCDu);
        Printf(L".2f=%.2f|\r\n", 3.14159);
        Qprintf(GetStdHandle(STD_OUTPUT_HANDLE), L"Q=%s %I64u|\r\n", L"out", 1234567890123ULL);
        Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"E=%s %d|\r\n", L"err", 7);
        QPuts(L"P=100% plain|\r\n");
        return 0;
    }
    if (_wcsicmp(arguments, L"unicode") == 0) {
        Printf(L"%s\r\n", L"dash \u2014 quotes \u201Cq\u201D ellipsis \u2026 times \u00D7");
        Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s\r\n", L"\u2014\u2026");
        return 0;
    }
    if (_wcsnicmp(arguments, L"exit ", 5) == 0) return _wtoi(arguments + 5);
    if (_wcsnicmp(arguments, L"expand ", 7) == 0) {
        wchar_t buffer[8192] = {};
        wcsncpy(buffer, arguments + 7, 8191);
        int rc = ExpandVariables(buffer, 1);
        Printf(L"%d[%s]\r\n", rc, buffer);
        return rc;
    }
    if (_wcsicmp(arguments, L"module") == 0) {
        Printf(L"%d %s\r\n", g_info.module == GetModuleHandleW(L"hostprobe.dll") ? 1 : 0,
               g_info.moduleName ? wcsrchr(g_info.moduleName, L'\\') + 1 : L"(none)");
        return 0;
    }
    if (_wcsicmp(arguments, L"fill") == 0) {
        // The argument buffer holds at least 8192 characters.
        wmemset(arguments, L'f', 8191);
        arguments[8191] = 0;
        Printf(L"%u\r\n", static_cast<unsigned>(wcslen(arguments)));
        return 0;
    }
    Printf(L"probe? [%s]\r\n", arguments);
    return 9;
}

__declspec(dllexport) int WINAPI ProbeNext(wchar_t* arguments) {
    Printf(L"next:[%s]\r\n", arguments);
    return 0;
}

__declspec(dllexport) int WINAPI proberaw(wchar_t* arguments) {
    Printf(L"raw:[%s]\r\n", arguments);
    return 0;
}

// Variable functions in the host's calling form, exported under their decorated names.
int ProbeTwice(wchar_t* buffer) {
    std::wstring text = buffer;
    text += text;
    if (text.size() >= 8192) return 2;
    wcscpy(buffer, text.c_str());
    return 0;
}

int ProbeFail(wchar_t*) {
    return 5;
}

int ProbeLong(wchar_t* buffer) {
    wmemset(buffer, L'x', 8191);
    buffer[8191] = 0;
    return 0;
}

int ProbeUnterminated(wchar_t* buffer) {
    wmemset(buffer, L'u', 8192);
    return 0;
}

int ProbeAnswer(wchar_t* buffer) {
    wcscpy(buffer, L"42");
    return 0;
}

} // extern "C"

#endif
