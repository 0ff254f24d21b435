// The report sections that ReportFile runs for each file, in report order. Each writes its
// lines through the host and ends them with EndLine; a section with nothing to show prints
// nothing. ReportFile keeps each result as the section's outcome (core/SectionOutcome.h); only
// ABORTED changes what happens next.
#pragma once
#include "core/ScanSettings.h"

#include <cstdint>

namespace scrutel {

// 1. Description, version and legal notice from the version resource or a font's naming table.
int VersionHeaderSection(const wchar_t* path, int quoteFlag, uint32_t maxWidth);
// 2. Registered file type and the program that opens it.
int FileTypeSection(const wchar_t* path, int quoteFlag);
// Zero-length .exe execution aliases: prints the alias line and fills resolved (32768 chars).
int ExecAliasSection(const wchar_t* path, wchar_t* resolved, uint32_t omitMask);
// 3. Size in bytes and in the largest fitting unit.
int SizeSection(const wchar_t* path);
// 4. Creation, modification and access times.
int TimeStampSection(const wchar_t* path, int32_t timeZoneMode, uint32_t timeFlags);
// 5. Attributes and owner.
int AttributesSection(const wchar_t* path);
// 6. NTFS alternate data streams.
int StreamsSection(const wchar_t* path);
// 7. Checksums and hashes selected by settings.hashMask.
int ChecksumSection(const wchar_t* path, ScanSettings& settings);
// 8. 4DOS description.
int DescriptionSection(const wchar_t* path);
// 9. Executable type: the classifier's code (0 = not an executable image, 1..18 named types).
int ExecutableTypeCode(const wchar_t* path);
const wchar_t* ExecutableTypeName(int code);
// 10. Text encoding, byte-order mark, line count and line endings of text files.
int TextEncodingReport(const wchar_t* path, const wchar_t* textFileTypes);
// 11. Shell link targets (.lnk files).
int LinkTargetSection(const wchar_t* path, uint32_t omitMask);
// 12. Version resource details.
int VersionResourceSection(const wchar_t* path);
// 13. Image size, colour depth and EXIF tags.
int ImageSection(const wchar_t* path);
// 14. Windows property-system values.
int PropertiesSection(const wchar_t* path);
// The same, remembering for the command whether the platform has a property system at all.
int PropertiesSection(const wchar_t* path, int32_t& propertySystem);
// 15. Font names from TrueType / OpenType files and collections.
int FontSection(const wchar_t* path, uint32_t width);
// 16. OLE compound-document summary information.
int DocumentSummarySection(const wchar_t* path);

// The same sections from the report's probe of the file, which shares one open, one read of its
// first bytes and one attribute query between them. A memo keeps answers for the command.
class FileProbe;
class ReportMemo;
int VersionHeaderSection(FileProbe& probe, int quoteFlag, uint32_t maxWidth);
int FileTypeSection(const wchar_t* path, int quoteFlag, ReportMemo* memo);
int SizeSection(FileProbe& probe);
// The size lines for a size from the file system; a negative one shows nothing (result 1).
int SizeSection(long long reported);
int TimeStampSection(FileProbe& probe, int32_t timeZoneMode, uint32_t timeFlags);
int AttributesSection(FileProbe& probe, ReportMemo* memo);
int ChecksumSection(FileProbe& probe, ScanSettings& settings);
// The description section for a path already known to be a file.
int DescriptionOfFile(const wchar_t* path);
int VersionResourceSection(FileProbe& probe);
int TextEncodingReport(FileProbe& probe, const wchar_t* textFileTypes);
int DocumentSummarySection(FileProbe& probe);

// Extension classes used as section conditions (0 = not that kind of file).
int ImageFileKind(const wchar_t* path);
int FontFileKind(const wchar_t* path);

} // namespace scrutel
