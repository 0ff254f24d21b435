// File associations: the registered type name of an extension and the program that opens it.
#pragma once

namespace scrutel {

inline constexpr int AssociationTypeName = 1;
inline constexpr int AssociationCommand = 2;

// Looks up extension (with its dot) per user (HKEY_CURRENT_USER\SOFTWARE\Classes) when perUser
// is non-zero, else in the merged view (HKEY_CLASSES_ROOT). typeName holds TextOutputChars characters,
// command 8192; both are emptied first. Returns AssociationTypeName and AssociationCommand
// bits for the outputs that were filled (each at least 2 characters long).
int LookupAssociation(const wchar_t* extension, wchar_t* typeName, wchar_t* command, int perUser);

// Reduces a command line (8192 characters) to its program path, in place: the text up to the
// first white space outside double quotes, with the quotes removed. 1 changed, 0 unchanged.
int ExtractCommandProgram(wchar_t* command);

} // namespace scrutel
