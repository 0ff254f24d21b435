// The SCRUTEL command's export: the entry the host calls with the command's argument text. It
// lives apart from the driver because the C name "scrutel" cannot share a translation unit with
// the C++ namespace of the same name.
#include <windows.h>

// The command driver (command/CommandDriver.h), reached through its C name.
extern "C" int ScrutelRunCommand(wchar_t* argumentText);

extern "C" __declspec(dllexport) int WINAPI scrutel(wchar_t* argumentText) {
    // The driver's entry checks the argument text and lets nothing cross into the host.
    return ScrutelRunCommand(argumentText);
}
