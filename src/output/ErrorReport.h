// The prefix of every error message and the system's text for a Win32 error code.
#pragma once
#include <cstdint>

namespace scrutel {

// Writes ProductName and " plugin: " to standard error and, inside a batch file, the batch file's name
// and line number followed by two blanks. Call it immediately before each error message.
int PrintErrorPrefix();

// Sends standard error to the null device while it lives, then puts the previous handle back: for
// asking the host something whose failure the plugin handles itself, without the host's own
// message. The null device is opened and closed by the one object; if it cannot be opened,
// standard error stays as it is.
class StandardErrorSilenced {
  public:
    StandardErrorSilenced();
    ~StandardErrorSilenced();
    StandardErrorSilenced(const StandardErrorSilenced&) = delete;
    StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

  private:
    void* nul_ = nullptr; // INVALID_HANDLE_VALUE-style: null when not opened
    void* saved_ = nullptr;
};

// Fills buffer (TextOutputChars characters) with the system's one-line text for code, trailing white space
// removed; "Unknown error" for 0xFFFFFFFF and "Error %d" when the system has no text.
int FormatErrorText(uint32_t code, wchar_t* buffer);

} // namespace scrutel
