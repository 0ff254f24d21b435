// Calls the exported command entry for the limit tests. The C name "scrutel" cannot share a
// translation unit with the plugin's namespace of the same name, so it is reached from here.
#include <windows.h>

extern "C" int WINAPI scrutel(wchar_t* argumentText);

int CallScrutelExport(wchar_t* argumentText) {
    return scrutel(argumentText);
}
