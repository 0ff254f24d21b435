// The operations of the host command processor (TakeCmd.dll), as the host exports them. Only the
// plugin's gateway (gateway/HostGateway.cpp) and the stand-in host include this; everything else
// calls the host through the gateway. All text is UTF-16; formats follow the Windows C runtime's
// wide printf (%s is a wide string).
#pragma once
#include <windows.h>

#ifdef SCRUTEL_BUILDING_HOST
#define SCRUTEL_HOST_API extern "C" __declspec(dllexport)
#else
#define SCRUTEL_HOST_API extern "C" __declspec(dllimport)
#endif

SCRUTEL_HOST_API int Printf(const wchar_t* format, ...);
SCRUTEL_HOST_API int Qprintf(HANDLE handle, const wchar_t* format, ...);
SCRUTEL_HOST_API int QPuts(const wchar_t* text);
// Expands variables and variable functions in place (the buffer holds HostExpandChars characters,
// core/Limits.h); 0 = success.
SCRUTEL_HOST_API int ExpandVariables(wchar_t* buffer, int recurse);
SCRUTEL_HOST_API int QueryIsFile(const wchar_t* path);
SCRUTEL_HOST_API int QueryIsDirectory(const wchar_t* path);
SCRUTEL_HOST_API int QueryIsFileOrDirectory(const wchar_t* path);
// output holds PathChars characters; callers clear it first and take an empty result as failure.
SCRUTEL_HOST_API int QueryTrueName(const wchar_t* path, wchar_t* output);
// -1 when there is no such file.
SCRUTEL_HOST_API long long QueryFileSize(const wchar_t* path, int flags);
// 0 when text matches pattern. fileNames is 1 for file names, 0 for descriptions and owners.
SCRUTEL_HOST_API int WildcardComparison(const wchar_t* pattern, const wchar_t* text, int fileNames, int flags);
SCRUTEL_HOST_API void GetAttribute(unsigned* normal, unsigned* inverse);
SCRUTEL_HOST_API int ParseColors(const wchar_t* text, int* foreground, int* background);
SCRUTEL_HOST_API void SetColors(int attribute);
SCRUTEL_HOST_API void tty_yield(int);
