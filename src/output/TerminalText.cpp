// Named escapes for the characters of names and file contents that would act on the terminal.
#include "output/TerminalText.h"

namespace scrutel {

namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendEscape(U16String& out, char16_t c) {
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    out += u"<U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(Digits[(c >> shift) & 0xF]);
    out.push_back(u'>');
}

} // namespace

U16String TerminalSafe(U16View text) {
    size_t i = 0;
    // Most text needs nothing: it is copied once, without a second look.
    while (i < text.size() && !IsEscapedForTerminal(text[i]))
        ++i;
    U16String out(text.substr(0, i));
    if (i == text.size()) return out;
    out.reserve(text.size() + 16);
    for (; i < text.size(); ++i) {
        char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out.push_back(c);
            out.push_back(text[++i]);
        } else if (IsEscapedForTerminal(c)) {
            AppendEscape(out, c);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

U16String TerminalSafe(const char16_t* text) {
    return text ? TerminalSafe(U16View(text)) : U16String();
}

} // namespace scrutel
