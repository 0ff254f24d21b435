// Prints the parsers' answers exactly as the command has always written them: the user's text in
// the system's upper case, the message after the plugin's error prefix, the help texts.
#include "command/ArgumentReport.h"

#include "command/CommandDriver.h"
#include "command/HelpTexts.h"
#include "output/ErrorReport.h"
#include "gateway/HostGateway.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace scrutel {

namespace {

void UpperCaseInPlace(wchar_t* text, size_t length) {
    if (length > 0) CharUpperBuffW(text, static_cast<DWORD>(length));
}

void PrintHelp(HelpTopic topic) {
    switch (topic) {
    case HelpTopic::None:
        break;
    case HelpTopic::Usage:
        ShowUsage(0);
        break;
    case HelpTopic::UsageWithVersion:
        ShowUsage(1);
        break;
    case HelpTopic::NoFeatures:
        gateway::QPuts(HelpTextNoFeatures);
        break;
    case HelpTopic::Hashes:
        gateway::QPuts(HelpTextHashes);
        break;
    case HelpTopic::Omit:
        gateway::QPuts(HelpTextOmit);
        break;
    case HelpTopic::Times:
        gateway::QPuts(HelpTextTimes);
        break;
    case HelpTopic::DigestLists:
        gateway::QPuts(HelpTextDigestLists);
        break;
    }
}

} // namespace

int ReportArgumentError(const ArgumentError& error) {
    if (!error.message.empty()) {
        std::wstring text = WideString(error.message);
        if (error.shownFrom < text.size())
            UpperCaseInPlace(text.data() + error.shownFrom,
                             std::min(error.shownLength, text.size() - error.shownFrom));
        if (error.prefixed) PrintErrorPrefix();
        // Written with %s: the message may hold "%" from the user's text.
        gateway::Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"%s", text.c_str());
    }
    PrintHelp(error.help);
    return error.result;
}

U16String SystemUpperCase(U16View text) {
    std::wstring upper(Wide(text));
    UpperCaseInPlace(upper.data(), upper.size());
    return U16Copy(upper);
}

} // namespace scrutel
