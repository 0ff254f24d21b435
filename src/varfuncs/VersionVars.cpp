// _FHVER and _CLVER: the plugin's fixed version strings, for the host's internal variables.
#include "varfuncs/VarFunctions.h"

#include "core/Version.h"
#include "gateway/HostGateway.h"

#include <windows.h>

namespace scrutel {

namespace {
// Major, minor and build of the plugin information record, then the revision.
constexpr const char* FullVersion = VersionText;
constexpr const char* SecondVersion = "1.1.2.2";
} // namespace

int PutVersionText(const char* version, wchar_t* buffer) {
    if (!buffer || !version) return -1;
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, version, -1, buffer, 1024) == 0) buffer[0] = 0;
    return 0;
}

} // namespace scrutel

extern "C" int ScrutelFhver(wchar_t* buffer) {
    scrutel::gateway::EnterFromHost();
    try {
        return scrutel::PutVersionText(scrutel::FullVersion, buffer);
    } catch (...) {
        return -1;
    }
}

extern "C" int ScrutelClver(wchar_t* buffer) {
    scrutel::gateway::EnterFromHost();
    try {
        return scrutel::PutVersionText(scrutel::SecondVersion, buffer);
    } catch (...) {
        return -1;
    }
}
