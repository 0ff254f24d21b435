// Test hooks of the stand-in host: capture of what the host writes, and the shell state that
// internal variables report. Only tests and plughost.exe use them; the plugin never does.
#pragma once
#include <windows.h>

#ifdef SCRUTEL_BUILDING_HOST
#define SCRUTEL_HOST_TEST_API extern "C" __declspec(dllexport)
#else
#define SCRUTEL_HOST_TEST_API extern "C" __declspec(dllimport)
#endif

// While capturing, text sent to standard output (Printf, QPuts, Qprintf on the standard-output
// handle) and to standard error (Qprintf on the standard-error handle) is kept in memory instead
// of being written. Starting a capture clears what an earlier one kept.
SCRUTEL_HOST_TEST_API void HostStartCapture();
SCRUTEL_HOST_TEST_API void HostStopCapture();
// The captured text of a stream (1 = standard output, 2 = standard error); valid until the next
// capture call.
SCRUTEL_HOST_TEST_API const wchar_t* HostCapturedText(int stream);

// Shell state behind the internal variables _transient, _pipe, _batch, _batchname, _batchline.
// A null or empty batch name means no batch file is running.
SCRUTEL_HOST_TEST_API void HostSetShellFlags(int transient, int pipe);
SCRUTEL_HOST_TEST_API void HostSetBatch(const wchar_t* batchName, int line);
// Expands a command line of the shell in place, as ExpandVariables does but within capacity
// characters (the shell's own lines may hold up to 32767); 0 = success, 1 = failure with a message
// on standard error.
SCRUTEL_HOST_TEST_API int HostExpandLine(wchar_t* buffer, size_t capacity);
// The attribute last passed to SetColors (-1 when none).
SCRUTEL_HOST_TEST_API int HostLastSetColors();
// Registers a loaded plugin so that its exported variable functions ("?f_NAME@@YAHPEA_W@Z" as
// @NAME, "?_NAME$@@YAHPEA_W@Z" as _NAME) can be expanded; registering it twice changes nothing.
SCRUTEL_HOST_TEST_API void HostRegisterPlugin(HMODULE plugin);
// Forgets a plugin's variable functions; called before the plugin is unloaded.
SCRUTEL_HOST_TEST_API void HostUnregisterPlugin(HMODULE plugin);
// The host's operations may be called only from the thread that runs the plugin's commands (the
// thread that loaded the host, or the last one to call HostSetCommandThread). Any other caller
// gets a line on standard error and the process ends with this status.
inline constexpr unsigned HostWrongThreadExitCode = 97;
SCRUTEL_HOST_TEST_API void HostSetCommandThread();
