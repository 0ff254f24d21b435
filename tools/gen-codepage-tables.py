#!/usr/bin/env python3
"""Generates src/text/CodePageTables.cpp: the decoding tables of the 8-bit code pages (bytes
0x80..0xFF) and of the EBCDIC code pages 1140..1149 (all 256 bytes).

The mappings come from Python's codecs and, where Python has none (EBCDIC 1141..1149), from the
C library's iconv. Both sources are consulted for every byte and disagreements are listed on
standard error, so a change in either shows up when the tables are regenerated.

Rules applied on top of the published mappings:
  * a byte the code page leaves unassigned decodes to U+FFFD;
  * 720 maps 0x80 0x81 0x84 0x86 0x8D 0x8E 0x8F 0x90 to U+FFFD and 0xAE to U+00AA;
    855 maps 0xAE to U+00AA; 857 maps 0x92 to U+00C4; 10000 maps 0xF0 to U+0150;
    EBCDIC 1142 maps 0x5A to U+00A4 (the currency sign of code page 277), not to the euro sign;
  * in the EBCDIC tables every C1 control (U+0080..U+009F) is U+FFFD, except byte 0x15 (next
    line), which stays U+0085.

Usage: tools/gen-codepage-tables.py [output]   (default: src/text/CodePageTables.cpp)
"""
import ctypes
import ctypes.util
import os
import sys

HIGH_HALF = [1252, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 437, 720, 737, 775, 850, 852,
             855, 857, 858, 862, 866, 874, 10000, 20866, 21866]
EBCDIC = [1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149]

PYTHON_NAMES = {10000: "mac_roman", 20866: "koi8_r", 21866: "koi8_u"}
ICONV_NAMES = {10000: "MACINTOSH", 20866: "KOI8-R", 21866: "KOI8-U"}

EXCEPTIONS = {
    720: {0x80: 0xFFFD, 0x81: 0xFFFD, 0x84: 0xFFFD, 0x86: 0xFFFD, 0x8D: 0xFFFD, 0x8E: 0xFFFD,
          0x8F: 0xFFFD, 0x90: 0xFFFD, 0xAE: 0x00AA},
    855: {0xAE: 0x00AA},
    857: {0x92: 0x00C4},
    10000: {0xF0: 0x0150},
    # 1142 keeps the currency sign of its pre-euro code page 277 at 0x5A and has no euro sign.
    1142: {0x5A: 0x00A4},
}


def python_decode(cp, byte):
    name = PYTHON_NAMES.get(cp, "cp%d" % cp)
    try:
        text = bytes([byte]).decode(name)
    except LookupError:
        return None  # no such codec
    except UnicodeDecodeError:
        return 0xFFFD
    return ord(text) if len(text) == 1 else 0xFFFD


class Iconv:
    def __init__(self):
        libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.open = libc.iconv_open
        self.open.restype = ctypes.c_void_p
        self.open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.conv = libc.iconv
        self.conv.restype = ctypes.c_size_t
        self.conv.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p),
                              ctypes.POINTER(ctypes.c_size_t), ctypes.POINTER(ctypes.c_char_p),
                              ctypes.POINTER(ctypes.c_size_t)]
        self.close = libc.iconv_close
        self.close.argtypes = [ctypes.c_void_p]

    def decode(self, cp, byte, ebcdic):
        name = ("IBM%d" % cp) if ebcdic else ICONV_NAMES.get(cp, "CP%d" % cp)
        cd = self.open(b"UTF-32LE", name.encode())
        if cd in (None, ctypes.c_void_p(-1).value):
            return None  # iconv does not know this code page
        try:
            src = ctypes.create_string_buffer(bytes([byte]), 1)
            dst = ctypes.create_string_buffer(16)
            src_ptr = ctypes.c_char_p(ctypes.addressof(src))
            dst_ptr = ctypes.c_char_p(ctypes.addressof(dst))
            src_left = ctypes.c_size_t(1)
            dst_left = ctypes.c_size_t(16)
            result = self.conv(cd, ctypes.byref(src_ptr), ctypes.byref(src_left), ctypes.byref(dst_ptr),
                               ctypes.byref(dst_left))
            if result == ctypes.c_size_t(-1).value:
                return 0xFFFD
            # 1255 and 1258 hold a base letter back waiting for combining marks: flush it.
            self.conv(cd, None, None, ctypes.byref(dst_ptr), ctypes.byref(dst_left))
            if dst_left.value != 12:
                return 0xFFFD
            return int.from_bytes(dst.raw[:4], "little")
        finally:
            self.close(cd)


def build(iconv, cp, first, ebcdic, notes):
    table = []
    for byte in range(first, 256):
        py = python_decode(cp, byte)
        ic = iconv.decode(cp, byte, ebcdic)
        value = py if py is not None else ic
        if value is None:
            sys.exit("no source knows code page %d" % cp)
        if py is not None and ic is not None and py != ic:
            notes.append("%5d byte 0x%02X: codecs U+%04X, iconv U+%04X (codecs kept)" % (cp, byte, py, ic))
        if value > 0xFFFF:
            value = 0xFFFD
        if ebcdic and 0x80 <= value <= 0x9F and byte != 0x15:
            value = 0xFFFD
        value = EXCEPTIONS.get(cp, {}).get(byte, value)
        table.append(value)
    return table


def emit(out, name, tables, codepages, width):
    out.write("const uint16_t %s[%d][%d] = {\n" % (name, len(tables), width))
    for cp, table in zip(codepages, tables):
        out.write("    // %d\n    {\n" % cp)
        for row in range(0, width, 8):
            out.write("        " + " ".join("0x%04X," % v for v in table[row:row + 8]) + "\n")
        out.write("    },\n")
    out.write("};\n")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "text", "CodePageTables.cpp")
    iconv = Iconv()
    notes = []
    high = [build(iconv, cp, 0x80, False, notes) for cp in HIGH_HALF]
    ebcdic = [build(iconv, cp, 0x00, True, notes) for cp in EBCDIC]
    with open(target, "w", newline="\n") as out:
        out.write("// Decoding tables of the 8-bit and EBCDIC code pages (generated by\n")
        out.write("// tools/gen-codepage-tables.py; edit the generator, not this file).\n")
        out.write('#include "text/CodePageTables.h"\n\nnamespace scrutel {\n\n// clang-format off\n')
        out.write("// Code pages 1252, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 437, 720, 737, 775,\n")
        out.write("// 850, 852, 855, 857, 858, 862, 866, 874, 10000, 20866, 21866: bytes 0x80..0xFF.\n")
        emit(out, "HighHalfTables", high, HIGH_HALF, 128)
        out.write("\n// EBCDIC code pages 1140..1149: bytes 0x00..0xFF.\n")
        emit(out, "EbcdicTables", ebcdic, EBCDIC, 256)
        out.write("// clang-format on\n\n} // namespace scrutel\n")
    for note in notes:
        print(note, file=sys.stderr)


if __name__ == "__main__":
    main()
