// Splits the argument text into g_argTable with the command's fixed rules.
#include "command/SplitArguments.h"

#include "plugin/ErrorReport.h"
#include "plugin/HostApi.h"

#include <cwchar>
#include <cwctype>

namespace scrutel {

ArgTable g_argTable;

namespace {

// The splitter's position in the text and the state of the argument being built.
class Splitter {
  public:
    explicit Splitter(ArgTable& table) : t_(table) {}

    int Run(const wchar_t* text) {
        for (size_t i = 0; text[i]; ++i) {
            wchar_t c = text[i];
            if (c == L'"') {
                inQuotes_ = !inQuotes_;
                // Inside an exclusion range the quotes belong to the patterns.
                if (exclusion_ && !Store(c)) return -1;
                continue;
            }
            if (!inQuotes_ && iswspace(c)) {
                if (length_ == 0) continue;
                if (exclusion_) {
                    if (!Store(c)) return -1;
                    continue;
                }
                EndArgument();
                continue;
            }
            if (c == L'/' && !inQuotes_ && !url_ && !rangeOpen_ && length_ >= 2 &&
                t_.argText[start_] == L'/') {
                EndArgument();
                if (!Store(c)) return -1;
                continue;
            }
            if (c == L':' && length_ > 0 && iswalpha(t_.argText[b_ - 1]) && text[i + 1] == L'/' &&
                text[i + 2] == L'/')
                url_ = true;
            if (c == L']' && !inQuotes_) {
                exclusion_ = false;
                rangeOpen_ = false;
            }
            if (!Store(c)) return -1;
            if (length_ == 2 && wcsncmp(t_.argText + start_, L"/[", 2) == 0) rangeOpen_ = true;
            if (length_ == 3 && wcsncmp(t_.argText + start_, L"/![", 3) == 0) rangeOpen_ = true;
            if (length_ == 3 && wcsncmp(t_.argText + start_, L"/[!", 3) == 0) exclusion_ = true;
        }
        EndArgument();
        for (int k = 0; k < t_.argCount; ++k) {
            wchar_t* arg = t_.argPointers[k];
            while (t_.argLengths[k] > 0 && iswspace(arg[t_.argLengths[k] - 1]))
                arg[--t_.argLengths[k]] = 0;
        }
        return t_.argCount;
    }

  private:
    // Stores one character of the current argument; false after an overflow message. A 1025th
    // argument is refused rather than dropped, so that no file specification is silently ignored.
    bool Store(wchar_t c) {
        if (b_ >= MAX_ARG_LEN - 1) {
            PrintErrorPrefix();
            Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"Buffer overflow: b = %d, MAX_ARG_LEN = %d \r\n", b_,
                    MAX_ARG_LEN);
            return false;
        }
        if (length_ == 0) {
            if (t_.argCount >= MaxArguments) {
                PrintErrorPrefix();
                Qprintf(GetStdHandle(STD_ERROR_HANDLE), L"Too many arguments: MAX_ARGS = %d\r\n", MaxArguments);
                return false;
            }
            start_ = b_;
            current_ = t_.argCount++;
            t_.argPointers[current_] = t_.argText + b_;
            t_.argLengths[current_] = 0;
        }
        t_.argText[b_] = c;
        t_.argText[b_ + 1] = 0;
        ++b_;
        ++length_;
        ++t_.argLengths[current_];
        return true;
    }

    void EndArgument() {
        if (length_ > 0) ++b_; // the argument keeps its 0; the next one starts after it
        length_ = 0;
        inQuotes_ = false;
        exclusion_ = false;
        url_ = false;
        rangeOpen_ = false;
    }

    ArgTable& t_;
    int b_ = 0;       // next free position in argText
    int start_ = 0;   // where the current argument starts
    int current_ = 0; // its index
    int length_ = 0;  // its length so far
    bool inQuotes_ = false;
    bool exclusion_ = false; // inside "/[!...]": blanks and quotes stay
    bool url_ = false;       // after "letter://": slashes do not split
    bool rangeOpen_ = false; // inside "/[...]" or "/![...]": slashes (dates) do not split
};

} // namespace

int SplitArguments(const wchar_t* text) {
    wmemset(g_argTable.argText, 0, MAX_ARG_LEN);
    for (int k = 0; k < MaxArguments; ++k) {
        g_argTable.argPointers[k] = nullptr;
        g_argTable.argLengths[k] = 0;
    }
    g_argTable.argCount = 0;
    if (!text) return 0;
    Splitter splitter(g_argTable);
    return splitter.Run(text);
}

} // namespace scrutel
