#!/usr/bin/env python3
"""Writes lib/util/Lib_CharsetTables.cpp: the character sets the reader converts between, as data.

The tables come from Python's own codecs (the Unicode consortium's mapping files, as Python ships
them), so that they are the same on every system the program is built on; the platforms' own
converters (iconv, MultiByteToWideChar) differ in the names they know and in what they map.

Run it from the repository's root after changing the list below; the output is committed:

    python3 tools/charsets/make_tables.py > lib/util/Lib_CharsetTables.cpp
"""

import codecs
import unicodedata

# The single-byte charsets, in the order of Charset::Id from Cp437 on (lib/util/Lib_Charsets.h).
CHARSETS = [
    ("Cp437", "cp437"), ("Cp720", "cp720"), ("Cp737", "cp737"), ("Cp850", "cp850"),
    ("Cp852", "cp852"), ("Cp862", "cp862"), ("Cp866", "cp866"), ("Cp1250", "cp1250"),
    ("Cp1251", "cp1251"), ("Cp1252", "cp1252"), ("Koi8R", "koi8_r"), ("Koi8U", "koi8_u"),
    ("Latin1", "latin_1"), ("Latin2", "iso8859_2"), ("Latin9", "iso8859_15"),
]

# The display pages, in the order of their Charset::Id above, whose letters the search folds.
DISPLAY_PAGES = ["cp437", "cp720", "cp737", "cp862", "cp866"]

# Plain forms of characters a page may lack, where one is obvious: quotes, dashes, the ellipsis,
# spaces and the like. Accented letters get theirs from Unicode's decompositions below.
PUNCTUATION = {
    0x2018: "'", 0x2019: "'", 0x201A: "'", 0x201B: "'", 0x2032: "'", 0x2039: "'", 0x203A: "'",
    0x201C: '"', 0x201D: '"', 0x201E: '"', 0x201F: '"', 0x2033: '"', 0x00AB: '"', 0x00BB: '"',
    0x2010: "-", 0x2011: "-", 0x2012: "-", 0x2013: "-", 0x2014: "-", 0x2015: "-", 0x2212: "-",
    0x00AD: "-", 0x2026: ".", 0x2022: "*", 0x00B7: ".", 0x00A0: " ", 0x2002: " ", 0x2003: " ",
    0x2009: " ", 0x202F: " ", 0x2116: "N", 0x00A9: "C", 0x00AE: "R", 0x2122: "T", 0x00D7: "x",
    0x20AC: "E", 0x0141: "L", 0x0142: "l", 0x0110: "D", 0x0111: "d", 0x0131: "i", 0x00D8: "O",
    0x00F8: "o", 0x0152: "O", 0x0153: "o", 0x00C6: "A", 0x00E6: "a", 0x00DF: "s",
}


def decode(codec, byte):
    """The character of a byte; 0 for none, and for the C1 controls some codecs give."""
    try:
        ch = ord(bytes([byte]).decode(codec))
    except UnicodeDecodeError:
        return 0
    return 0 if 0x80 <= ch < 0xA0 else ch


def plain_forms():
    """Every character of the charsets above (and of Latin Extended-A) with a plain ASCII form."""
    chars = set(range(0x00A0, 0x0180))
    for _, codec in CHARSETS:
        chars.update(decode(codec, b) for b in range(0x80, 0x100))
    forms = {}
    for ch in sorted(chars):
        if ch in PUNCTUATION:
            forms[ch] = PUNCTUATION[ch]
            continue
        base = unicodedata.normalize("NFD", chr(ch))[0]
        if base != chr(ch) and base.isascii() and base.isalpha():
            forms[ch] = base
    return forms


def case_tables(codec):
    """For each byte of a display page the byte of the same letter in upper and in lower case."""
    byte_of = {decode(codec, b): b for b in range(0x80, 0x100)}
    byte_of.update({b: b for b in range(0x80)})

    def mapped(b, change):
        ch = decode(codec, b) if b >= 0x80 else b
        changed = change(chr(ch)) if ch else ""
        return byte_of.get(ord(changed), b) if len(changed) == 1 else b

    return ([mapped(b, str.upper) for b in range(256)],
            [mapped(b, str.lower) for b in range(256)])


def rows(values, width, fmt):
    out = []
    for i in range(0, len(values), width):
        out.append("    " + " ".join(fmt.format(v) + "," for v in values[i:i + width]))
    return "\n".join(out)


def main():
    print("// Written by tools/charsets/make_tables.py from Python's codecs; do not edit by hand.")
    print('\n#include "Lib_CharsetTables.h"\n\n// clang-format off\nnamespace CharsetTables {\n')
    print("// Bytes 0x80 to 0xFF of each single-byte charset as Unicode; 0 where it has none.")
    print(f"const char16_t UpperHalves[{len(CHARSETS)}][128] = {{")
    for name, codec in CHARSETS:
        print(f"    // {name}\n    {{")
        print(rows([decode(codec, b) for b in range(0x80, 0x100)], 8, "0x{:04X}"))
        print("    },")
    print("};\n")
    forms = plain_forms()
    print("// Characters with a plain ASCII form, in ascending order, and that form.")
    print(f"const PlainForm PlainForms[{len(forms)}] = {{")
    entries = [f"{{0x{ch:04X}, '{f}'}}" if f != "'" else f"{{0x{ch:04X}, '\\''}}"
               for ch, f in forms.items()]
    for i in range(0, len(entries), 6):
        print("    " + " ".join(e + "," for e in entries[i:i + 6]))
    print("};")
    print(f"const std::size_t PlainFormCount = {len(forms)};\n")
    print("// For each display page (437, 720, 737, 862, 866), each byte's letter in upper case and")
    print("// in lower case; a byte that is no letter is itself.")
    for kind, index in (("Upper", 0), ("Lower", 1)):
        print(f"const std::uint8_t {kind}Case[{len(DISPLAY_PAGES)}][256] = {{")
        for codec in DISPLAY_PAGES:
            print(f"    // {codec}\n    {{")
            print(rows(case_tables(codec)[index], 16, "0x{:02X}"))
            print("    },")
        print("};\n")
    print("} // namespace CharsetTables\n// clang-format on")


if __name__ == "__main__":
    main()
