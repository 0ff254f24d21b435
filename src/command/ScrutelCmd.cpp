// The SCRUTEL command: the exported entry the host calls with the command's argument text.
#include "plugin/HostApi.h"

#include <exception>

extern "C" __declspec(dllexport) int WINAPI scrutel(wchar_t* argumentText) {
    if (!argumentText) return 87;
    try {
        Printf(L"Scrutel: not yet \"%s\"\r\n", argumentText);
        return 0;
    } catch (...) {
        return 1;
    }
}
