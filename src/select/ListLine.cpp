// The per-line rules of list files: blanks around a name, comment lines and quotes, on the text of
// one line as the reader delivered it.
#include "select/ListLine.h"

#include "core/CharClass.h"

namespace scrutel {

namespace {

U16View TrimBlanks(U16View text) {
    size_t first = 0;
    while (first < text.size() && IsWhiteSpace(text[first]))
        ++first;
    size_t end = text.size();
    while (end > first && IsWhiteSpace(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}

} // namespace

void TrimSpaces(char16_t* line) {
    if (!line || !*line) return;
    U16View kept = TrimBlanks(U16View(line));
    std::char_traits<char16_t>::move(line, kept.data(), kept.size());
    line[kept.size()] = 0;
}

void ListLineName(U16View line, U16String& name) {
    name.clear();
    U16View text = TrimBlanks(line);
    if (!text.empty() && text.front() == u':') return;
    for (char16_t c : text)
        if (c != u'"') name.push_back(c);
}

U16String ListLineName(U16View line) {
    U16String name;
    ListLineName(line, name);
    return name;
}

} // namespace scrutel
