#pragma once
// The data of the character sets, written by tools/charsets/make_tables.py from Python's codecs
// (see there why). Lib_Charsets and Lib_CodePage read it; nothing else needs to.

#include <cstddef>
#include <cstdint>

namespace CharsetTables {

// The single-byte charsets the tables hold, in this order.
enum Table : std::size_t {
    Cp437,
    Cp720,
    Cp737,
    Cp850,
    Cp852,
    Cp862,
    Cp866,
    Cp1250,
    Cp1251,
    Cp1252,
    Koi8R,
    Koi8U,
    Latin1,
    Latin2,
    Latin9,
    TableCount
};

// Bytes 0x80 to 0xFF of each charset as Unicode; 0 where it has none. Bytes below 0x80 are ASCII
// in all of them.
extern const char16_t UpperHalves[TableCount][128];

struct PlainForm {
    char16_t Char;
    char Plain;
};
// Characters a page may lack with an obvious plain ASCII form, in ascending order.
extern const PlainForm PlainForms[];
extern const std::size_t PlainFormCount;

// The display pages whose letters the search folds, in this order.
enum Page : std::size_t { Page437, Page720, Page737, Page862, Page866, PageCount };
// Each byte's letter in upper case, and in lower case; other bytes are themselves.
extern const std::uint8_t UpperCase[PageCount][256];
extern const std::uint8_t LowerCase[PageCount][256];

} // namespace CharsetTables
