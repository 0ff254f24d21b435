// Recognises the true names of volumes given by GUID ("Volume{...}"), which are opened through the
// device namespace.
#pragma once

namespace scrutel {

// True when a true name begins with "Volume{" (any case) and a hexadecimal digit, a volume that is
// opened through the device namespace (with the prefix \\.\ in front). Letter case and hexadecimal
// digits are those the C runtime gives the plugin on Windows, fixed here so that every platform
// agrees: only ASCII letters have a case, and the hexadecimal digits are the ASCII ones and their
// fullwidth forms.
bool IsVolumeGuidName(const char16_t* trueName);

} // namespace scrutel
