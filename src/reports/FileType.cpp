// The file-type section: the type name that the registry gives a file's extension and the
// program that opens files of that type, per user first, then in the merged view.
#include "reports/FileType.h"
#include "core/CharClass.h"
#include "core/Limits.h"
#include "core/SectionOutcome.h"

#include "output/LineOutput.h"
#include "output/TerminalText.h"
#include "core/ReportMemo.h"
#include "reports/ReportSections.h"
#include "reports/ReportText.h"

#include <cwchar>
#include <map>
#include <string>
#include <vector>
#include <windows.h>

namespace scrutel {

namespace {

constexpr size_t CommandChars = 8192;

// The default value of root\subKey when it has one of the accepted types and fits capacity
// characters with its terminator; empty otherwise. RegGetValueW opens and closes the key and
// always terminates the string it returns.
std::wstring DefaultValue(HKEY root, const std::wstring& subKey, size_t capacity, bool expandable) {
    std::vector<wchar_t> buffer(capacity, L'\0');
    DWORD bytes = static_cast<DWORD>(capacity * sizeof(wchar_t));
    DWORD flags = RRF_RT_REG_SZ | (expandable ? RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND : 0);
    if (RegGetValueW(root, subKey.c_str(), nullptr, flags, nullptr, buffer.data(), &bytes) != ERROR_SUCCESS)
        return L"";
    buffer[capacity - 1] = 0;
    std::wstring value(buffer.data());
    return value.size() < capacity ? value : L"";
}

} // namespace

int ExtractCommandProgram(wchar_t* command) {
    if (!command) return 0;
    size_t length = wcsnlen(command, CommandChars - 1);
    std::wstring text(command, length);
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'"') {
            quoted = !quoted;
        } else if (!quoted && IsWhiteSpace(text[i])) {
            text.resize(i);
            break;
        }
    }
    std::wstring program;
    for (wchar_t c : text)
        if (c != L'"') program.push_back(c);
    if (program.empty() || program == std::wstring(command, length)) return 0;
    wmemcpy(command, program.c_str(), program.size() + 1);
    return 1;
}

int LookupAssociation(const wchar_t* extension, wchar_t* typeName, wchar_t* command, int perUser) {
    if (typeName) typeName[0] = 0;
    if (command) command[0] = 0;
    if (!extension || !typeName || !command || wcslen(extension) < 2) return 0;
    HKEY root = perUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    std::wstring prefix = perUser ? L"SOFTWARE\\Classes\\" : L"";

    std::wstring identifier = DefaultValue(root, prefix + extension, TextOutputChars, false);
    if (identifier.empty()) return 0;
    std::wstring name = DefaultValue(root, prefix + identifier, TextOutputChars, false);
    std::vector<wchar_t> program(CommandChars, L'\0');
    std::wstring line =
        DefaultValue(root, prefix + identifier + L"\\shell\\Open\\command", CommandChars, true);
    wmemcpy(program.data(), line.c_str(), line.size() + 1);
    if (line.size() > 2) ExtractCommandProgram(program.data());
    // A command that is the file itself opens nothing else.
    if (wcscmp(program.data(), L"%1") == 0) program[0] = 0;

    int found = 0;
    if (name.size() >= 2) {
        wmemcpy(typeName, name.c_str(), name.size() + 1);
        found |= AssociationTypeName;
    }
    if (wcslen(program.data()) >= 2) {
        wcscpy(command, program.data());
        found |= AssociationCommand;
    }
    return found;
}

int FileTypeSection(const wchar_t* path, int quoteFlag, ReportMemo* memo) {
    if (!path || !*path) return -1;
    const wchar_t* found = FindExtension(path);
    if (!found || wcslen(found) < 2) return 0;
    std::wstring extension(found);
    for (wchar_t& c : extension)
        c = AsciiUpper(c);

    FileTypeAnswer answer;
    auto known = memo ? memo->fileTypes.find(extension) : std::map<std::wstring, FileTypeAnswer>::iterator{};
    if (memo && known != memo->fileTypes.end()) {
        answer = known->second;
    } else {
        std::vector<wchar_t> typeName(TextOutputChars, L'\0');
        std::vector<wchar_t> command(CommandChars, L'\0');
        int bits = LookupAssociation(extension.c_str(), typeName.data(), command.data(), 1);
        if (bits == 0) bits = LookupAssociation(extension.c_str(), typeName.data(), command.data(), 0);
        answer.bits = bits;
        if (bits) {
            answer.typeName = typeName.data();
            answer.command = command.data();
        }
        // The registry's answer for an extension holds for the rest of the command.
        if (memo) memo->fileTypes.emplace(extension, answer);
    }
    if (answer.bits == 0) return 0;
    QuotePair q = QuotesForFlag(quoteFlag);
    if (answer.bits & AssociationTypeName) {
        // The extension is part of the file's name: shown with its controls escaped.
        ReportPrintf(L"    %c%s%c  (%s)", q.open, answer.typeName.c_str(), q.close,
                     TerminalSafe(extension).c_str());
        if (EndLine(1) == ABORTED) return ABORTED;
    }
    if (answer.bits & AssociationCommand) {
        ReportPrintf(L"    Opens with:  %c%s%c", q.open, answer.command.c_str(), q.close);
        if (EndLine(1) == ABORTED) return ABORTED;
    }
    return EndLine(1);
}

} // namespace scrutel
