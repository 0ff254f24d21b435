// Splits the argument text into the caller's table with the command's fixed rules.
#include "command/SplitArguments.h"

#include "core/CharClass.h"

#include <utility>

namespace scrutel {

namespace {

// The splitter's position in the text and the state of the argument being built.
class Splitter {
  public:
    explicit Splitter(ArgTable& table) : t_(table) {}

    // The number of arguments, or -1 with error_ set.
    int Run(const char16_t* text) {
        for (size_t i = 0; text[i]; ++i) {
            char16_t c = text[i];
            if (c == u'"') {
                inQuotes_ = !inQuotes_;
                // Inside an exclusion range the quotes belong to the patterns.
                if (exclusion_ && !Store(c)) return -1;
                continue;
            }
            if (!inQuotes_ && IsWhiteSpace(c)) {
                if (length_ == 0) continue;
                if (exclusion_) {
                    if (!Store(c)) return -1;
                    continue;
                }
                EndArgument();
                continue;
            }
            if (c == u'/' && !inQuotes_ && !url_ && !rangeOpen_ && length_ >= 2 &&
                t_.argText[start_] == u'/') {
                EndArgument();
                if (!Store(c)) return -1;
                continue;
            }
            if (c == u':' && length_ > 0 && IsAlpha(t_.argText[b_ - 1]) && text[i + 1] == u'/' &&
                text[i + 2] == u'/')
                url_ = true;
            if (c == u']' && !inQuotes_) {
                exclusion_ = false;
                rangeOpen_ = false;
            }
            if (!Store(c)) return -1;
            if (length_ == 2 && Current() == u"/[") rangeOpen_ = true;
            if (length_ == 3 && Current() == u"/![") rangeOpen_ = true;
            if (length_ == 3 && Current() == u"/[!") exclusion_ = true;
        }
        EndArgument();
        for (int k = 0; k < t_.argCount; ++k) {
            char16_t* arg = t_.argPointers[k];
            while (t_.argLengths[k] > 0 && IsWhiteSpace(arg[t_.argLengths[k] - 1]))
                arg[--t_.argLengths[k]] = 0;
        }
        return t_.argCount;
    }

    ParseStatus& Error() { return error_; }

  private:
    // The current argument so far.
    U16View Current() const { return {t_.argText + start_, static_cast<size_t>(length_)}; }

    // Stores one character of the current argument; false with the overflow message. A 1025th
    // argument is refused rather than dropped, so that no file specification is silently ignored.
    bool Store(char16_t c) {
        if (static_cast<size_t>(b_) >= HostExpandChars - 1) {
            error_ = MessageError(u"Buffer overflow: b = " + DecimalText(b_) + u", MAX_ARG_LEN = " +
                                  DecimalText(static_cast<int64_t>(HostExpandChars)) + u" \r\n");
            return false;
        }
        if (length_ == 0) {
            if (t_.argCount >= MaxArguments) {
                error_ =
                    MessageError(u"Too many arguments: MAX_ARGS = " + DecimalText(MaxArguments) + u"\r\n");
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
    ParseStatus error_;
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

ParseStatus SplitArguments(const char16_t* text, ArgTable& table) {
    for (char16_t& c : table.argText)
        c = 0;
    for (int k = 0; k < MaxArguments; ++k) {
        table.argPointers[k] = nullptr;
        table.argLengths[k] = 0;
    }
    table.argCount = 0;
    if (!text) return {};
    Splitter splitter(table);
    if (splitter.Run(text) < 0) return std::move(splitter.Error());
    return {};
}

} // namespace scrutel
