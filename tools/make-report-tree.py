#!/usr/bin/env python3
# Writes tests/fixtures/kinds: small well-formed files of every kind the report describes (text in
# several encodings and line endings, images with embedded text, a shell link, a compound document
# with summary information, a description file). The files are committed; this script is kept to
# remake or extend them and is not run by the build or the tests.
import os
import struct
import sys
import zlib

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "tests", "fixtures", "kinds")


def write(rel, data):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# --- Text ---------------------------------------------------------------------------------------
lines = ["first line", "second line with more words", "", "last line"]
write("text/ascii-lf.txt", "\n".join(lines).encode() + b"\n")
write("text/ascii-crlf.txt", "\r\n".join(lines).encode() + b"\r\n")
write("text/ascii-cr.log", "\r".join(lines).encode() + b"\r")
write("text/mixed-endings.csv", b"a,b\r\nc,d\ne,f\rg,h")
write("text/empty.txt", b"")
accented = "caf\u00e9 na\u00efve \u00fcber \u20ac 5\r\nzweite Zeile\r\n"
write("text/utf8.txt", accented.encode("utf-8"))
write("text/utf8-bom.ini", b"\xef\xbb\xbf" + "[section]\r\nname=\u00e9t\u00e9\r\n".encode("utf-8"))
write("text/utf16le-bom.txt", b"\xff\xfe" + accented.encode("utf-16-le"))
write("text/utf16be-bom.txt", b"\xfe\xff" + accented.encode("utf-16-be"))
write("text/utf16le-nobom.xml", "<a>plain text</a>\r\n<b>more</b>\r\n".encode("utf-16-le"))
write("text/latin1.htm", "<p>caf\u00e9 \u00e0 la cr\u00e8me</p>\n".encode("latin-1"))
write("text/batch.bat", b"@echo off\r\necho hello\r\n")
write("text/notes.dat", b"not a text type by extension\r\n")
write("text/binary.txt", bytes(range(256)) * 4)


# --- Images -------------------------------------------------------------------------------------
def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, extra):
    raw = b"".join(b"\x00" + bytes((x * 40 % 256, y * 60 % 256, 128)) * 1 for y in range(height) for x in range(1))
    raw = b"".join(b"\x00" + b"".join(bytes((x * 40 % 256, y * 60 % 256, 128)) for x in range(width)) for y in range(height))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    body = png_chunk(b"IHDR", ihdr)
    for kind, data in extra:
        body += png_chunk(kind, data)
    body += png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b"")
    return b"\x89PNG\r\n\x1a\n" + body


write("img/plain.png", png(4, 3, []))
write("img/texts.png", png(5, 2, [(b"tEXt", b"Author\x00Someone"), (b"tEXt", b"Copyright\x00Public domain"),
                                  (b"tEXt", b"Software\x00make-report-tree")]))


def tiff_ifd(entries, base, next_ifd=0):
    # entries: (tag, type, count, value bytes); values longer than 4 bytes go after the directory.
    entries = sorted(entries)
    size = 2 + 12 * len(entries) + 4
    out = struct.pack("<H", len(entries))
    data = b""
    for tag, kind, count, value in entries:
        if len(value) <= 4:
            out += struct.pack("<HHI", tag, kind, count) + value.ljust(4, b"\x00")
        else:
            out += struct.pack("<HHII", tag, kind, count, base + size + len(data))
            data += value + (b"\x00" if len(value) % 2 else b"")
    return out + struct.pack("<I", next_ifd) + data


def ascii_tag(tag, text):
    value = text.encode() + b"\x00"
    return (tag, 2, len(value), value)


def exif_tiff(exif_tags, root_tags):
    # Root directory at 8, its Exif sub-directory right after it.
    probe = tiff_ifd(root_tags + [(0x8769, 4, 1, struct.pack("<I", 0))], 8)
    exif_at = 8 + len(probe)
    root_dir = tiff_ifd(root_tags + [(0x8769, 4, 1, struct.pack("<I", exif_at))], 8)
    return b"II*\x00" + struct.pack("<I", 8) + root_dir + tiff_ifd(exif_tags, exif_at)


def grey_tiff(width, height, tags):
    pixels = bytes((i * 17) % 256 for i in range(width * height))
    base = [(0x100, 3, 1, struct.pack("<H", width)), (0x101, 3, 1, struct.pack("<H", height)),
            (0x102, 3, 1, struct.pack("<H", 8)), (0x103, 3, 1, struct.pack("<H", 1)),
            (0x106, 3, 1, struct.pack("<H", 1)), (0x111, 4, 1, struct.pack("<I", 0)),
            (0x115, 3, 1, struct.pack("<H", 1)), (0x116, 3, 1, struct.pack("<H", height)),
            (0x117, 4, 1, struct.pack("<I", len(pixels)))]
    entries = base + tags
    first = tiff_ifd(entries, 8)
    strip_at = 8 + len(first)
    entries = [e if e[0] != 0x111 else (0x111, 4, 1, struct.pack("<I", strip_at)) for e in entries]
    return b"II*\x00" + struct.pack("<I", 8) + tiff_ifd(entries, 8) + pixels


write("img/tagged.tif", grey_tiff(6, 4, [ascii_tag(0x13B, "Tiff Artist"), ascii_tag(0x131, "Tiff Writer 2"),
                                         ascii_tag(0x8298, "(c) nobody")]))


def jpeg(exif):
    # A baseline 8x8 grey JPEG whose only block is flat: one DC code and one AC code (end of block).
    quant = b"\xff\xdb" + struct.pack(">H", 67) + b"\x00" + bytes([1] * 64)
    frame = b"\xff\xc0" + struct.pack(">HBHHB", 11, 8, 8, 8, 1) + b"\x01\x11\x00"
    dc = b"\xff\xc4" + struct.pack(">H", 20) + b"\x00" + bytes([1] + [0] * 15) + b"\x00"
    ac = b"\xff\xc4" + struct.pack(">H", 20) + b"\x10" + bytes([1] + [0] * 15) + b"\x00"
    scan = b"\xff\xda" + struct.pack(">HB", 8, 1) + b"\x01\x00" + b"\x00\x3f\x00" + b"\x3f"
    app1 = b""
    if exif:
        body = b"Exif\x00\x00" + exif
        app1 = b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body
    return b"\xff\xd8" + app1 + quant + frame + dc + ac + scan + b"\xff\xd9"


write("img/camera.jpg", jpeg(exif_tiff([ascii_tag(0x9003, "2021:07:14 09:30:05")],
                                       [ascii_tag(0x10F, "Maker"), ascii_tag(0x110, "Model 1"),
                                        ascii_tag(0x131, "Firmware 1.0"), ascii_tag(0x13B, "Photographer"),
                                        ascii_tag(0x8298, "Copyright holder")])))
write("img/noexif.jpeg", jpeg(None))

# 4x2 GIF, 2-colour palette.
gif = b"GIF89a" + struct.pack("<HHBBB", 4, 2, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff"
gif += b"\x2c" + struct.pack("<HHHHB", 0, 0, 4, 2, 0)
gif += b"\x02\x03\x84\x8f\x05\x00\x3b"  # LZW minimum code size 2, a tiny stream, trailer
write("img/tiny.gif", gif)

# 3x2 24-bit BMP (rows padded to four bytes).
row = b"\x00\x00\xff\x00\xff\x00\xff\x00\x00" + b"\x00\x00\x00"
pixels = row * 2
bmp = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
bmp += struct.pack("<IiiHHIIiiII", 40, 3, 2, 1, 24, 0, len(pixels), 2835, 2835, 0, 0) + pixels
write("img/tiny.bmp", bmp)


# --- Shell link -----------------------------------------------------------------------------------
def utf16_counted(text):
    return struct.pack("<H", len(text)) + text.encode("utf-16-le")


def shell_link(target, name, workdir, arguments):
    flags = 0x2 | 0x4 | 0x10 | 0x20 | 0x80  # link info, name, working dir, arguments, Unicode
    header = struct.pack("<I", 0x4C) + bytes.fromhex("0114020000000000c000000000000046")
    header += struct.pack("<II", flags, 0x20) + b"\x00" * 24 + struct.pack("<IIIHHII", 1234, 0, 1, 0, 0, 0, 0)
    volume = struct.pack("<IIII", 0x11, 3, 0x12345678, 0x10) + b"\x00"
    base_path = target.encode("ascii") + b"\x00"
    suffix = b"\x00"
    header_size = 0x1C
    volume_at = header_size
    base_at = volume_at + len(volume)
    suffix_at = base_at + len(base_path)
    size = suffix_at + len(suffix)
    info = struct.pack("<IIIIIII", size, header_size, 1, volume_at, base_at, 0, suffix_at) + volume + base_path + suffix
    strings = utf16_counted(name) + utf16_counted(workdir) + utf16_counted(arguments)
    return header + info + strings + b"\x00\x00\x00\x00"


write("link/editor.lnk", shell_link("C:\\windows\\notepad.exe", "Edit notes", "C:\\windows", "/a notes.txt"))


# --- Compound document with summary information -------------------------------------------------
def filetime(year_seconds):
    return struct.pack("<Q", year_seconds)


def summary_stream():
    props = []

    def lpstr(pid, text):
        data = text.encode("cp1252") + b"\x00"
        value = struct.pack("<II", 0x1E, len(data)) + data
        props.append((pid, value + b"\x00" * (-len(value) % 4)))

    props.append((1, struct.pack("<IhH", 2, 1252, 0)))
    lpstr(2, "Quarterly figures")
    lpstr(3, "Accounts")
    lpstr(4, "A. Writer")
    lpstr(5, "budget; plan")
    lpstr(6, "Draft for review")
    lpstr(8, "B. Editor")
    lpstr(9, "7")
    props.append((10, struct.pack("<I", 0x40) + filetime(5025 * 10_000_000)))
    props.append((12, struct.pack("<I", 0x40) + filetime(132_000_000_000_000_000)))
    props.append((13, struct.pack("<I", 0x40) + filetime(132_100_000_000_000_000)))
    props.append((14, struct.pack("<Ii", 3, 12)))
    props.append((15, struct.pack("<Ii", 3, 3456)))
    props.append((16, struct.pack("<Ii", 3, 20001)))
    lpstr(18, "Some Word Processor")
    table_size = 8 + 8 * len(props)
    offset = table_size
    table = b""
    body = b""
    for pid, value in props:
        table += struct.pack("<II", pid, offset)
        body += value
        offset += len(value)
    section = struct.pack("<II", table_size + len(body), len(props)) + table + body
    fmtid = bytes.fromhex("e0859ff2f94f6810ab9108002b27b3d9")
    head = struct.pack("<HHI", 0xFFFE, 0, 0x00020006) + b"\x00" * 16 + struct.pack("<I", 1) + fmtid
    head += struct.pack("<I", 48)
    stream = head + section
    return stream.ljust(4096, b"\x00")  # at the cut-off: a regular stream, no mini stream needed


def dir_entry(name, kind, child, start, size, left=0xFFFFFFFF, right=0xFFFFFFFF):
    encoded = (name + "\x00").encode("utf-16-le") if name else b""
    entry = encoded.ljust(64, b"\x00") + struct.pack("<HBB", len(encoded), kind, 1 if kind else 0)
    entry += struct.pack("<III", left, right, child) + b"\x00" * 16 + struct.pack("<I", 0) + b"\x00" * 16
    entry += struct.pack("<IIII", start, size, 0, 0)[:8] + struct.pack("<I", 0)
    return entry


def compound_file(stream):
    end, free, fat_sect = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD
    sectors = len(stream) // 512
    fat = [fat_sect, end] + [3 + i for i in range(sectors - 1)] + [end]
    fat += [free] * (128 - len(fat))
    header = bytes.fromhex("d0cf11e0a1b11ae1") + b"\x00" * 16
    header += struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\x00" * 6
    header += struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, end, 0, end, 0)
    header += struct.pack("<I", 0) + struct.pack("<I", free) * 108
    directory = dir_entry("Root Entry", 5, 1, end, 0)
    directory += dir_entry("\x05SummaryInformation", 2, 0xFFFFFFFF, 2, len(stream))
    directory += dir_entry("", 0, 0xFFFFFFFF, 0, 0) * 2
    return header + struct.pack("<128I", *fat) + directory + stream


write("doc/summary.doc", compound_file(summary_stream()))

# --- A folder with descriptions ----------------------------------------------------------------
write("described/first.txt", b"one\r\n")
write("described/second name.txt", b"two\r\n")
write("described/descript.ion", b"first.txt The first file\r\n\"second name.txt\" A quoted name\r\n")


# --- Fonts: a single font and a collection of two, each with a naming table and padding ---------
def name_table(names):
    records = b""
    strings = b""
    for name_id, text in names:
        data = text.encode("utf-16-be")
        records += struct.pack(">HHHHHH", 3, 1, 0x409, name_id, len(data), len(strings))
        strings += data
    return struct.pack(">HHH", 0, len(names), 6 + len(records)) + records + strings


def table_checksum(data):
    padded = data + b"\x00" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(padded) // 4), padded)) & 0xFFFFFFFF


def font(names, at):
    # One table directory with a name table and a filler table, both padded; offsets from the file start.
    tables = [(b"name", name_table(names)), (b"zpad", bytes(1500))]
    directory_size = 12 + 16 * len(tables)
    offset = at + directory_size
    directory = struct.pack(">IHHHH", 0x00010000, len(tables), 32, 1, 0)
    body = b""
    for tag, data in tables:
        directory += tag + struct.pack(">III", table_checksum(data), offset + len(body), len(data))
        body += data + b"\x00" * (-len(data) % 4)
    return directory + body


single = font([(1, "Sample Sans"), (2, "Regular"), (4, "Sample Sans Regular"), (5, "Version 1.00")], 0)
write("font/sample.ttf", single.ljust(4096, b"\x00"))
first_at = 12 + 8
first = font([(1, "Sample Serif"), (2, "Bold"), (4, "Sample Serif Bold")], first_at)
second_at = first_at + len(first)
second = font([(1, "Sample Serif"), (2, "Italic"), (16, "Sample Serif Family"), (17, "Italic")], second_at)
collection = b"ttcf" + struct.pack(">HHIII", 1, 0, 2, first_at, second_at) + first + second
write("font/sample.ttc", collection.ljust(4096, b"\x00"))
