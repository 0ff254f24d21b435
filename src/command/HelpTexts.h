// The command's help texts, written exactly as they stand.
#pragma once

namespace scrutel {

extern const wchar_t* const HelpText;            // /?
extern const wchar_t* const HelpTextNoFeatures;  // /N?
extern const wchar_t* const HelpTextHashes;      // /C?
extern const wchar_t* const HelpTextOmit;        // /O?
extern const wchar_t* const HelpTextTimes;       // /T?
extern const wchar_t* const HelpTextDigestLists; // /V? and /L?

} // namespace scrutel
