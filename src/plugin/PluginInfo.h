// The plugin information record that the host reads, and the plain plugin exports.
#pragma once
#include <windows.h>

namespace scrutel {

// Layout follows the host's plugin interface: six strings, three integers, then the module.
struct PluginInfo {
    const wchar_t* pluginName;
    const wchar_t* author;
    const wchar_t* email;
    const wchar_t* webPage;
    const wchar_t* description;
    const wchar_t* implementedNames; // comma-separated command and function names
    int majorVersion;
    int minorVersion;
    int build;
    HMODULE module;     // filled by the host
    const wchar_t* moduleName; // filled by the host
};

} // namespace scrutel

extern "C" {
__declspec(dllexport) scrutel::PluginInfo* WINAPI GetPluginInfo(HMODULE module);
__declspec(dllexport) BOOL WINAPI InitializePlugin(void);
__declspec(dllexport) BOOL WINAPI ShutdownPlugin(BOOL endProcess);
__declspec(dllexport) int WINAPI Usage(const wchar_t* name, wchar_t* output);
__declspec(dllexport) int WINAPI Help(const wchar_t* name, void* reserved);
}
