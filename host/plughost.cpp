// plughost.exe: a tiny shell that loads a plugin library and runs its commands through the
// stand-in TakeCmd.dll, one command line, a batch file, or lines from standard input.
#include "HostTesting.h"
#include "plugin/HostApi.h"

#include <objbase.h>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using CommandFn = int (*)(wchar_t*);
using InitFn = int (*)(void*, void*);

struct Plugin {
    HMODULE module = nullptr;
    CommandFn command = nullptr;
};

void WriteErr(const wchar_t* text) { Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s", text); }

int RunLine(Plugin& plugin, std::wstring line) {
    size_t start = line.find_first_not_of(L" \t");
    if (start == std::wstring::npos) return 0;
    line = line.substr(start);
    size_t end = line.find_first_of(L" \t");
    std::wstring word = line.substr(0, end);
    std::wstring rest = end == std::wstring::npos ? L"" : line.substr(end + 1);
    if (_wcsicmp(word.c_str(), L"scrutel") == 0 && plugin.command) {
        std::vector<wchar_t> args(rest.begin(), rest.end());
        args.resize(rest.size() + 8192, 0);
        return plugin.command(args.data());
    }
    WriteErr((L"Unknown command \"" + word + L"\"\r\n").c_str());
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int i = 1;
    int transient = 0, pipe = 0;
    for (; i < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; ++i) {
        if (wcscmp(argv[i], L"--transient") == 0) transient = 1;
        else if (wcscmp(argv[i], L"--pipe") == 0) pipe = 1;
    }
    HostSetShellFlags(transient, pipe);
    if (i >= argc) {
        WriteErr(L"usage: plughost [--transient] [--pipe] [--batch FILE] PLUGIN.dll [COMMAND WORDS...]\r\n");
        return 1;
    }
    Plugin plugin;
    plugin.module = LoadLibraryW(argv[i]);
    if (!plugin.module) {
        WriteErr(L"Cannot load the plugin\r\n");
        return 1;
    }
    HostRegisterPlugin(plugin.module);
    plugin.command = reinterpret_cast<CommandFn>(reinterpret_cast<void*>(GetProcAddress(plugin.module, "scrutel")));
    std::wstring line;
    for (int j = i + 1; j < argc; ++j) {
        if (j > i + 1) line += L' ';
        std::wstring w = argv[j];
        if (w.find_first_of(L" \t") != std::wstring::npos) w = L"\"" + w + L"\"";
        line += w;
    }
    int rc = RunLine(plugin, line);
    FreeLibrary(plugin.module);
    CoUninitialize();
    return rc;
}
