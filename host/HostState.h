// State shared by the stand-in host's operations (shell flags, batch position, capture buffers,
// the variable functions of registered plugins) and the helpers the operations share.
#pragma once
#include "core/Limits.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace host {

// Buffer sizes of the host interface, which the plugin sizes its buffers by: expansion buffers and
// variable-function buffers hold HostExpandChars characters, true names PathChars.
using scrutel::HostExpandChars;
using scrutel::PathChars;

// A variable function or internal variable that a plugin exports in the host's calling form:
// the function receives a buffer of HostExpandChars characters holding its arguments and writes
// its result there; 0 means success.
using VariableFunction = int (*)(wchar_t*);

struct PluginVariable {
    std::wstring name; // "@name" for a variable function, "_name" for an internal variable
    VariableFunction function = nullptr;
};

struct ShellState {
    int transient = 0;
    int pipe = 0;
    std::wstring batchName; // empty: no batch file running
    int batchLine = 0;
    int lastSetColors = -1;
    bool capturing = false;
    std::wstring captured[3]; // [1] standard output, [2] standard error
    std::vector<HMODULE> plugins;
    std::vector<PluginVariable> pluginVariables;
};

ShellState& State();

// Ends the process with a message unless the caller is the command's thread (every host operation
// calls it first); see HostThread.cpp.
void CheckCommandThread(const char* operation);
void SetCommandThread(DWORD thread);

// Writes text to handle: WriteConsoleW for a console, UTF-8 otherwise; honours capture.
void WriteText(HANDLE handle, const wchar_t* text, size_t length);
void WriteError(const std::wstring& text);

// Runs the variable function @name (name given without "@", any letter case) on its already
// expanded arguments. False with a message in error when the function is unknown or fails.
bool RunVariableFunction(const std::wstring& name, const std::wstring& arguments, std::wstring& result,
                         std::wstring& error);
// The value of a plugin's internal variable _name (name with its "_"); found tells whether a
// registered plugin has it. False with a message in error when the plugin's function fails.
bool PluginVariableValue(const std::wstring& name, std::wstring& value, bool& found, std::wstring& error);

// The host's name for an exported function name: "?f_NAME@@YAHPEA_W@Z" is "@NAME",
// "?_NAME$@@YAHPEA_W@Z" is "_NAME"; any other export gives an empty name.
std::wstring VariableNameFromExport(std::string_view exportName);

// The names of every export of a loaded module, read from its export directory.
std::vector<std::string> ExportNames(HMODULE module);

// Decodes text bytes: UTF-16LE or UTF-8 with a byte-order mark, otherwise UTF-8 when the bytes
// are valid UTF-8, else the ANSI code page.
std::wstring DecodeText(const char* bytes, size_t size);

// Adds the long-path prefix to a full path that is too long for the plain form.
std::wstring LongPathForm(const std::wstring& path);

// The full path of a name (GetFullPathNameW); empty when it cannot be formed.
std::wstring FullPath(const wchar_t* path);

} // namespace host
