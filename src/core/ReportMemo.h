// Answers that cannot change while one command runs, asked of the system once per command and
// forgotten when it returns: the CryptoAPI context, account names of owner SIDs, and the registry's
// file type of each extension.
#pragma once
#include "core/Owners.h"

#include <windows.h>
#include <wincrypt.h>

#include <map>
#include <string>

namespace scrutel {

struct FileTypeAnswer {
    int bits = 0; // AssociationTypeName | AssociationCommand, 0 when the registry has neither
    std::wstring typeName;
    std::wstring command;
};

class ReportMemo {
  public:
    ReportMemo() = default;
    ReportMemo(const ReportMemo&) = delete;
    ReportMemo& operator=(const ReportMemo&) = delete;

    // The verifying CryptoAPI context every digest of the command shares, once acquired
    // (CommandDigestProvider).
    CryptContext provider;
    // "domain\account" of a SID in its binary form, with whether the lookup gave one.
    std::map<std::string, std::pair<bool, std::wstring>> accounts;
    // By upper-case extension.
    std::map<std::wstring, FileTypeAnswer> fileTypes;
};

} // namespace scrutel
