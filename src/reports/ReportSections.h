// The report sections that ReportFile runs for each file, in report order. Each writes its
// lines through the host and ends them with EndLine; a section with nothing to show prints
// nothing. ReportFile keeps each result as the section's outcome (core/SectionOutcome.h); only
// ABORTED changes what happens next. A section that reads the file takes the report's probe of
// it, which shares one open, one read of its first bytes and one attribute query between them;
// a memo keeps answers for the command.
#pragma once
#include "core/ScanSettings.h"

#include <cstdint>

namespace scrutel {

class FileProbe;
class ReportMemo;

// 1. Description, version and legal notice from the version resource or a font's naming table.
int VersionHeaderSection(FileProbe& probe, int quoteFlag, uint32_t maxWidth);
// 2. Registered file type and the program that opens it (memo may be null).
int FileTypeSection(const wchar_t* path, int quoteFlag, ReportMemo* memo);
// Zero-length .exe execution aliases: prints the alias line and fills resolved (32768 chars).
int ExecAliasSection(const wchar_t* path, wchar_t* resolved, uint32_t omitMask);
// 3. Size in bytes and in the largest fitting unit.
int SizeSection(FileProbe& probe);
// 4. Creation, modification and access times.
int TimeStampSection(FileProbe& probe, int32_t timeZoneMode, uint32_t timeFlags);
// 5. Attributes and owner (memo may be null).
int AttributesSection(FileProbe& probe, ReportMemo* memo);
// 6. NTFS alternate data streams.
int StreamsSection(const wchar_t* path);
// 7. Checksums and hashes selected by settings.hashMask.
int ChecksumSection(FileProbe& probe, ScanSettings& settings);
// 8. 4DOS description, for a path already known to be a file.
int DescriptionOfFile(const wchar_t* path);
// 9. Executable type: the classifier's code (0 = not an executable image, 1..18 named types). The
// report's own file goes through its probe (reports/ExecutableType.h); this form serves the
// targets of shell links.
int ExecutableTypeCode(const wchar_t* path);
const wchar_t* ExecutableTypeName(int code);
// 10. Text encoding, byte-order mark, line count and line endings of text files.
int TextEncodingReport(FileProbe& probe, const wchar_t* textFileTypes);
// The same read from the file itself (its head, with the rest read on need): what the probe form
// does for a file longer than the probe's head.
int TextEncodingReport(const wchar_t* path, const wchar_t* textFileTypes);
// 11. Shell link targets (.lnk files).
int LinkTargetSection(const wchar_t* path, uint32_t omitMask);
// 12. Version resource details.
int VersionResourceSection(FileProbe& probe);
// 13. Image size, colour depth and EXIF tags.
int ImageSection(const wchar_t* path);
// 14. Windows property-system values, remembering for the command whether the platform has a
// property system at all (propertySystem: 0 not yet known, 1 present, -1 absent).
int PropertiesSection(const wchar_t* path, int32_t& propertySystem);
// 15. Font names from TrueType / OpenType files and collections.
int FontSection(const wchar_t* path, uint32_t width);
// 16. OLE compound-document summary information.
int DocumentSummarySection(FileProbe& probe);

// Extension classes used as section conditions (0 = not that kind of file).
int ImageFileKind(const wchar_t* path);
int FontFileKind(const wchar_t* path);

} // namespace scrutel
