# The portable sources: parsers, decoders, classifiers and formatters that include no Windows
# header and keep their text as char16_t. The native unit-test build (tests/native) and the fuzz
# targets (tests/fuzz) both compile this list. Paths are relative to the repository's top.
set(PORTABLE_SOURCES
    src/core/Calendar.cpp
    src/core/SectionOutcome.cpp
    src/output/TerminalText.cpp
    src/command/RangeParse.cpp
    src/command/SplitArguments.cpp
    src/command/Switches.cpp
    src/text/CodePageTables.cpp
    src/text/Encoding.cpp
    src/text/ReadOutcome.cpp
    src/text/TextCursor.cpp
    src/text/VolumeGuidName.cpp
    src/select/FolderLoop.cpp
    src/select/ListLine.cpp
    src/reports/AdvertisedShortcut.cpp
    src/reports/CompoundFileCheck.cpp
    src/reports/CompoundFileFit.cpp
    src/reports/Crc.cpp
    src/reports/DigestList.cpp
    src/reports/ExeHeader.cpp
    src/reports/ExecutableRules.cpp
    src/reports/ExifDate.cpp
    src/reports/FontNames.cpp
    src/reports/ImageCheck.cpp
    src/reports/ImageHeader.cpp
    src/reports/ResourceCheck.cpp
    src/reports/ShellLinkCheck.cpp
    src/reports/VersionBlock.cpp
    src/files/ReparseData.cpp)
