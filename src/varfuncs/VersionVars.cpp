// _FHVER and _CLVER: the plugin's fixed version strings, for the host's internal variables.
#include "varfuncs/VarFunctions.h"

#include "core/Limits.h"
#include "core/Version.h"
#include "gateway/HostGateway.h"

#include <windows.h>

namespace scrutel {

int PutVersionText(const char* version, wchar_t* buffer) {
    if (!buffer || !version) return -1;
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, version, -1, buffer, static_cast<int>(TextOutputChars)) ==
        0)
        buffer[0] = 0;
    return 0;
}

} // namespace scrutel

extern "C" int ScrutelFhver(wchar_t* buffer) {
    scrutel::gateway::EnterFromHost();
    try {
        return scrutel::PutVersionText(scrutel::VersionText, buffer);
    } catch (...) {
        return -1;
    }
}

extern "C" int ScrutelClver(wchar_t* buffer) {
    scrutel::gateway::EnterFromHost();
    try {
        return scrutel::PutVersionText(scrutel::SecondVersionText, buffer);
    } catch (...) {
        return -1;
    }
}
