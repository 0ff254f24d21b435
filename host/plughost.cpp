// plughost.exe: a small shell that loads a plugin library through the stand-in TakeCmd.dll and
// runs one command line, the lines of a batch file, or lines read from standard input.
//
// Each line is expanded with ExpandVariables before it runs, as a command shell does, so a
// plugin command receives its argument text with variables already replaced (the text after
// the command name, leading blanks removed). A command that the plugin lists with a leading
// "*" in its implemented names receives the text exactly as typed instead. Built-in commands:
// echo TEXT, set NAME=VALUE, exit [N]; blank lines and lines beginning with rem or :: are
// skipped. The exit status is the result of the last command that ran.
#include "HostTesting.h"
#include "core/Limits.h"
#include "gateway/HostExports.h"
#include "plugin/PluginInfo.h"

#include <objbase.h>
#include <cerrno>
#include <climits>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

using scrutel::HostExpandChars;
using scrutel::PathChars;
// A command line of the shell, terminator included (the longest line the platform passes).
constexpr size_t LineChars = 32768;

using CommandFunction = int(WINAPI*)(wchar_t*);
using GetPluginInfoFunction = scrutel::PluginInfo*(WINAPI*)(HMODULE);
using InitializeFunction = int(WINAPI*)();
using ShutdownFunction = int(WINAPI*)(BOOL);

struct Command {
    std::wstring name;
    CommandFunction function = nullptr;
    bool raw = false; // receives the text as typed, without expansion
};

struct Shell {
    HMODULE module = nullptr;
    std::wstring moduleName;
    std::vector<Command> commands;
    int lastResult = 0;
    bool exiting = false;
};

// What running one line gave: a command's result, or nothing when the line was skipped.
struct LineOutcome {
    bool ran = false;
    int result = 0;
};

void WriteErr(const std::wstring& text) {
    Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s", text.c_str());
}

void WriteOut(const std::wstring& text) {
    QPuts(text.c_str());
}

std::wstring SystemText(DWORD code) {
    wchar_t buffer[1024] = {};
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                            FORMAT_MESSAGE_MAX_WIDTH_MASK,
                        nullptr, code, 0, buffer, 1024, nullptr))
        return L"Error " + std::to_wstring(static_cast<int>(code));
    std::wstring text = buffer;
    while (!text.empty() && iswspace(text.back()))
        text.pop_back();
    return text;
}

template <typename T> T Export(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring TrimLeft(const std::wstring& text) {
    size_t k = 0;
    while (k < text.size() && IsBlank(text[k]))
        ++k;
    return text.substr(k);
}

std::wstring Trim(const std::wstring& text) {
    std::wstring t = TrimLeft(text);
    while (!t.empty() && IsBlank(t.back()))
        t.pop_back();
    return t;
}

// Splits "word rest" at the first blank; rest keeps everything after that one blank.
void SplitWord(const std::wstring& line, std::wstring& word, std::wstring& rest) {
    size_t end = 0;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    word = line.substr(0, end);
    rest = end < line.size() ? line.substr(end + 1) : L"";
}

const Command* FindCommand(const Shell& shell, const std::wstring& word) {
    for (const Command& c : shell.commands)
        if (_wcsicmp(c.name.c_str(), word.c_str()) == 0) return &c;
    return nullptr;
}

// The commands a plugin implements: its comma-separated names, leaving out variable functions
// ("@name") and internal variables ("_name"); a name exported under another spelling of case
// is found as listed.
void AddCommands(Shell& shell, const wchar_t* names) {
    std::wstring list = names ? names : L"";
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t comma = list.find(L',', pos);
        if (comma == std::wstring::npos) comma = list.size();
        std::wstring name = Trim(list.substr(pos, comma - pos));
        pos = comma + 1;
        bool raw = !name.empty() && name[0] == L'*';
        if (raw) name.erase(0, 1);
        if (name.empty() || name[0] == L'@' || name[0] == L'_') continue;
        std::string exportName;
        bool ascii = true;
        for (wchar_t c : name) {
            if (c > 0x7E) ascii = false;
            exportName += static_cast<char>(c);
        }
        auto function = ascii ? Export<CommandFunction>(shell.module, exportName.c_str()) : nullptr;
        if (!function) {
            WriteErr(L"The plugin names the command \"" + name + L"\" but does not export it\r\n");
            continue;
        }
        shell.commands.push_back({name, function, raw});
    }
}

int CallCommand(const Command& command, const std::wstring& arguments) {
    // The command may write into its argument text; it gets a buffer of at least HostExpandChars
    // characters, zero-filled.
    std::vector<wchar_t> buffer(
        arguments.size() + 1 > HostExpandChars ? arguments.size() + 1 : HostExpandChars, 0);
    wmemcpy(buffer.data(), arguments.data(), arguments.size());
    return command.function(buffer.data());
}

int RunExit(Shell& shell, const std::wstring& rest) {
    std::wstring text = Trim(rest);
    if (text.empty()) {
        shell.exiting = true;
        return shell.lastResult;
    }
    wchar_t* end = nullptr;
    errno = 0;
    long long value = wcstoll(text.c_str(), &end, 10);
    if (*end != 0 || errno != 0 || value < INT_MIN || value > UINT_MAX) {
        WriteErr(L"Not a number for exit: \"" + text + L"\"\r\n");
        return 1;
    }
    shell.exiting = true;
    return static_cast<int>(value);
}

int RunSet(const std::wstring& rest) {
    size_t eq = rest.find(L'=');
    std::wstring name = Trim(eq == std::wstring::npos ? rest : rest.substr(0, eq));
    if (eq == std::wstring::npos || name.empty()) {
        WriteErr(L"Usage: set NAME=VALUE\r\n");
        return 1;
    }
    std::wstring value = TrimLeft(rest.substr(eq + 1));
    if (!SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str())) {
        DWORD code = GetLastError();
        if (!value.empty() || code != ERROR_ENVVAR_NOT_FOUND) {
            WriteErr(L"Cannot set \"" + name + L"\": " + SystemText(code) + L"\r\n");
            return 1;
        }
    }
    return 0;
}

LineOutcome RunLine(Shell& shell, const std::wstring& input) {
    // A NUL ends the line's text, as it would in the host's own line buffer.
    std::wstring line = TrimLeft(input.substr(0, input.find(L'\0')));
    while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n'))
        line.pop_back();
    std::wstring word, rest;
    SplitWord(line, word, rest);
    if (line.empty() || line.starts_with(L"::") || _wcsicmp(word.c_str(), L"rem") == 0) return {};

    const Command* command = FindCommand(shell, word);
    if (command && command->raw) return {true, CallCommand(*command, TrimLeft(rest))};

    if (line.size() >= LineChars) {
        WriteErr(L"The command line is longer than 32767 characters\r\n");
        return {true, 1};
    }
    std::vector<wchar_t> buffer(LineChars, 0);
    wmemcpy(buffer.data(), line.data(), line.size());
    if (HostExpandLine(buffer.data(), buffer.size()) != 0) return {true, 1}; // the host printed why
    std::wstring expanded = TrimLeft(buffer.data());
    if (expanded.empty()) return {};
    SplitWord(expanded, word, rest);

    if ((command = FindCommand(shell, word)) != nullptr) return {true, CallCommand(*command, TrimLeft(rest))};
    if (_wcsicmp(word.c_str(), L"echo") == 0) {
        WriteOut(rest + L"\r\n");
        return {true, 0};
    }
    if (_wcsicmp(word.c_str(), L"set") == 0) return {true, RunSet(rest)};
    if (_wcsicmp(word.c_str(), L"exit") == 0) return {true, RunExit(shell, rest)};
    WriteErr(L"Unknown command \"" + word + L"\"\r\n");
    return {true, 1};
}

void Run(Shell& shell, const std::wstring& line) {
    LineOutcome outcome = RunLine(shell, line);
    if (outcome.ran) shell.lastResult = outcome.result;
}

// UTF-16LE or UTF-8 with a byte-order mark, UTF-8 when valid, else the ANSI code page.
std::wstring Decode(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        return text;
    }
    size_t skip = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    if (bytes.size() <= skip || bytes.size() > 0x7FFFFFFF) return L"";
    const char* data = bytes.data() + skip;
    int size = static_cast<int>(bytes.size() - skip);
    UINT codePage = CP_UTF8;
    DWORD flags = MB_ERR_INVALID_CHARS;
    int n = MultiByteToWideChar(codePage, flags, data, size, nullptr, 0);
    if (n <= 0) {
        codePage = CP_ACP;
        flags = 0;
        n = MultiByteToWideChar(codePage, flags, data, size, nullptr, 0);
    }
    if (n <= 0) return L"";
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, data, size, text.data(), n);
    return text;
}

std::wstring TrueNameOf(const std::wstring& path) {
    std::vector<wchar_t> buffer(PathChars, 0);
    if (QueryTrueName(path.c_str(), buffer.data()) != 0 || buffer[0] == 0) return path;
    return buffer.data();
}

int RunBatch(Shell& shell, const std::wstring& file) {
    std::wstring name = TrueNameOf(file);
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        WriteErr(L"Cannot open the batch file \"" + file + L"\": " + SystemText(code) + L"\r\n");
        shell.lastResult = 1;
        return 1;
    }
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    constexpr size_t Limit = 64u << 20; // a batch file larger than this is cut off
    while (bytes.size() < Limit && ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(h);

    std::wstring text = Decode(bytes);
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size() && !shell.exiting) {
        size_t end = text.find(L'\n', pos);
        if (end == std::wstring::npos) end = text.size();
        HostSetBatch(name.c_str(), ++lineNumber);
        Run(shell, text.substr(pos, end - pos));
        pos = end + 1;
    }
    HostSetBatch(nullptr, 0);
    return shell.lastResult;
}

int RunStandardInput(Shell& shell) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode;
    if (GetConsoleMode(in, &mode)) {
        std::vector<wchar_t> buffer(LineChars);
        std::wstring pending;
        while (!shell.exiting) {
            if (pending.find(L'\n') == std::wstring::npos) {
                WriteOut(L"plughost> ");
                DWORD got = 0;
                if (!ReadConsoleW(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) ||
                    got == 0)
                    break;
                pending.append(buffer.data(), got);
            }
            size_t end;
            while (!shell.exiting && (end = pending.find(L'\n')) != std::wstring::npos) {
                Run(shell, pending.substr(0, end));
                pending.erase(0, end + 1);
            }
        }
        return shell.lastResult;
    }
    // Pipes and files: lines are decoded one by one as they arrive.
    std::string pending;
    char chunk[4096];
    DWORD got = 0;
    bool first = true;
    bool more = true;
    while (!shell.exiting && more) {
        more = ReadFile(in, chunk, sizeof chunk, &got, nullptr) && got > 0;
        if (more) pending.append(chunk, got);
        size_t end;
        while (!shell.exiting &&
               ((end = pending.find('\n')) != std::string::npos || (!more && !pending.empty()))) {
            if (end == std::string::npos) end = pending.size();
            std::string line = pending.substr(0, end);
            pending.erase(0, end < pending.size() ? end + 1 : end);
            if (first && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
            first = false;
            Run(shell, Decode(line));
        }
    }
    return shell.lastResult;
}

void Usage() {
    WriteErr(L"Usage: plughost [--transient] [--pipe] [--batch FILE] PLUGIN.dll [COMMAND WORDS...]\r\n");
}

int Main(int argc, wchar_t** argv) {
    int transient = 0, pipe = 0;
    const wchar_t* batch = nullptr;
    int i = 1;
    for (; i < argc && wcsncmp(argv[i], L"--", 2) == 0; ++i) {
        if (wcscmp(argv[i], L"--transient") == 0) {
            transient = 1;
        } else if (wcscmp(argv[i], L"--pipe") == 0) {
            pipe = 1;
        } else if (wcscmp(argv[i], L"--batch") == 0 && i + 1 < argc) {
            batch = argv[++i];
        } else {
            WriteErr(L"Unknown option \"" + std::wstring(argv[i]) + L"\"\r\n");
            Usage();
            return 1;
        }
    }
    if (i >= argc) {
        Usage();
        return 1;
    }
    const wchar_t* pluginPath = argv[i++];
    if (batch && i < argc) {
        WriteErr(L"Give either --batch FILE or a command, not both\r\n");
        Usage();
        return 1;
    }
    HostSetShellFlags(transient, pipe);

    Shell shell;
    std::vector<wchar_t> full(PathChars, 0);
    DWORD n = GetFullPathNameW(pluginPath, PathChars, full.data(), nullptr);
    bool exists = n > 0 && n < PathChars && GetFileAttributesW(full.data()) != INVALID_FILE_ATTRIBUTES;
    // A plugin named by its path is loaded from there, and its own folder is searched for what
    // it imports.
    shell.module = exists ? LoadLibraryExW(full.data(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                          : LoadLibraryW(pluginPath);
    if (!shell.module) {
        DWORD code = GetLastError();
        WriteErr(L"Cannot load the plugin \"" + std::wstring(pluginPath) + L"\": " + SystemText(code) +
                 L"\r\n");
        return 1;
    }
    GetModuleFileNameW(shell.module, full.data(), PathChars);
    shell.moduleName = full.data();

    if (auto getInfo = Export<GetPluginInfoFunction>(shell.module, "GetPluginInfo")) {
        if (scrutel::PluginInfo* info = getInfo(shell.module)) {
            info->module = shell.module;
            info->moduleName = shell.moduleName.c_str();
            AddCommands(shell, info->implementedNames);
        }
    } else {
        // Without plugin information the plugin's command is "scrutel".
        AddCommands(shell, L"scrutel");
    }
    if (auto initialize = Export<InitializeFunction>(shell.module, "InitializePlugin")) {
        int rc = initialize();
        if (rc != 0) {
            WriteErr(L"The plugin \"" + shell.moduleName + L"\" did not start (InitializePlugin returned " +
                     std::to_wstring(rc) + L")\r\n");
            FreeLibrary(shell.module);
            return 1;
        }
    }
    HostRegisterPlugin(shell.module);

    if (batch) {
        RunBatch(shell, batch);
    } else if (i < argc) {
        std::wstring line;
        for (int j = i; j < argc; ++j) {
            std::wstring word = argv[j];
            if (word.empty() || word.find_first_of(L" \t") != std::wstring::npos) word = L"\"" + word + L"\"";
            if (j > i) line += L' ';
            line += word;
        }
        Run(shell, line);
    } else {
        RunStandardInput(shell);
    }

    if (auto shutdown = Export<ShutdownFunction>(shell.module, "ShutdownPlugin")) shutdown(FALSE);
    HostUnregisterPlugin(shell.module);
    FreeLibrary(shell.module);
    return shell.lastResult;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Plugins rely on the host thread having COM in the single-threaded apartment.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 1;
    try {
        result = Main(argc, argv);
    } catch (...) {
        WriteErr(L"plughost: unexpected failure\r\n");
        result = 1;
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
