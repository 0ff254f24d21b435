// Error message prefix (plugin name, batch file and line) and Win32 error texts.
#include "output/ErrorReport.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "gateway/HostGateway.h"
#include "core/CharClass.h"
#include "core/Limits.h"
#include "core/Owners.h"
#include "core/Version.h"

#include <cwchar>
#include <vector>

namespace scrutel {

int PrintErrorPrefix() {
    // Report text waiting for the host goes out before the message, as it was written before it.
    FlushOutput();
    gateway::Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s plugin: ", ProductName);
    // The host expands within its buffer's size; the buffer is this call's own.
    std::vector<wchar_t> buffer(HostExpandChars, L'\0');
    wcscpy(buffer.data(), L"%_batch");
    gateway::ExpandVariables(buffer.data(), 1);
    if (buffer[0] == L'0' || buffer[0] == 0) return 0;
    wmemset(buffer.data(), 0, buffer.size());
    wcscpy(buffer.data(), L"%_batchname [%_batchline]  ");
    gateway::ExpandVariables(buffer.data(), 1);
    // Written with %s so that a batch name holding "%" reaches the console unchanged; the name
    // comes from the file system, so its controls and direction characters are escaped.
    gateway::Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s", TerminalSafe(buffer.data()).c_str());
    return 0;
}

StandardErrorSilenced::StandardErrorSilenced() {
    HANDLE nul = CreateFileW(L"nul", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, 0, nullptr);
    if (nul == INVALID_HANDLE_VALUE) return;
    saved_ = GetStdHandle(STD_ERROR_HANDLE);
    nul_ = nul;
    SetStdHandle(STD_ERROR_HANDLE, nul);
}

StandardErrorSilenced::~StandardErrorSilenced() {
    if (!nul_) return;
    // Restored before the null device is closed, so standard error never names a closed handle.
    SetStdHandle(STD_ERROR_HANDLE, saved_);
    FileHandle closing(nul_);
}

int FormatErrorText(uint32_t code, wchar_t* buffer) {
    if (!buffer) return 0;
    buffer[0] = 0;
    if (code == 0xFFFFFFFFu) {
        wcscpy(buffer, L"Unknown error");
        return 0;
    }
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, code, 0, buffer, static_cast<DWORD>(TextOutputChars), nullptr);
    if (n == 0) _snwprintf(buffer, TextOutputChars, L"Error %d", static_cast<int>(code));
    buffer[TextOutputChars - 1] = 0;
    size_t len = wcslen(buffer);
    while (len > 0 && (IsBlank(buffer[len - 1]) || buffer[len - 1] == L'\r' || buffer[len - 1] == L'\n'))
        buffer[--len] = 0;
    return 0;
}

} // namespace scrutel
