#include "Lib_Charsets.h"

#include "Lib_CharsetTables.h"

#include <array>
#include <cctype>
#include <string>

namespace Charset {

namespace {

struct Named {
    std::string_view Name;
    Id Charset;
};

// The names of FTS-5003 and the aliases message networks use, upper case, without blanks.
constexpr std::array<Named, 40> names = {{
    {"ASCII", Id::Ascii},         {"US-ASCII", Id::Ascii},      {"IBMPC", Id::IbmPc},
    {"PC-8", Id::Cp437},          {"CP437", Id::Cp437},         {"IBM437", Id::Cp437},
    {"CP720", Id::Cp720},         {"CP737", Id::Cp737},         {"CP850", Id::Cp850},
    {"IBM850", Id::Cp850},        {"CP852", Id::Cp852},         {"IBM852", Id::Cp852},
    {"CP862", Id::Cp862},         {"IBM862", Id::Cp862},        {"CP866", Id::Cp866},
    {"IBM866", Id::Cp866},        {"+7_FIDO", Id::Cp866},       {"+7", Id::Cp866},
    {"ALT", Id::Cp866},           {"CP1250", Id::Cp1250},       {"WINDOWS-1250", Id::Cp1250},
    {"CP1251", Id::Cp1251},       {"WINDOWS-1251", Id::Cp1251}, {"CP1252", Id::Cp1252},
    {"WINDOWS-1252", Id::Cp1252}, {"KOI8-R", Id::Koi8R},        {"KOI8", Id::Koi8R},
    {"KOI8-U", Id::Koi8U},        {"LATIN-1", Id::Latin1},      {"LATIN1", Id::Latin1},
    {"ISO-8859-1", Id::Latin1},   {"ISO8859-1", Id::Latin1},    {"LATIN-2", Id::Latin2},
    {"LATIN2", Id::Latin2},       {"ISO-8859-2", Id::Latin2},   {"LATIN-9", Id::Latin9},
    {"LATIN9", Id::Latin9},       {"ISO-8859-15", Id::Latin9},  {"UTF-8", Id::Utf8},
    {"UTF8", Id::Utf8},
}};

std::string upperWord(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    text.remove_prefix(start);
    std::string word(text.substr(0, text.find(' ')));
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return word;
}

// The table of a single-byte charset, or none: the tables stand in the order of the charsets.
std::optional<CharsetTables::Table> tableOf(Id id) {
    static_assert(static_cast<int>(Id::Latin9) - static_cast<int>(Id::Cp437) + 1 ==
                  CharsetTables::TableCount);
    static_assert(static_cast<int>(Id::Cp866) - static_cast<int>(Id::Cp437) ==
                  CharsetTables::Cp866);
    static_assert(static_cast<int>(Id::Koi8R) - static_cast<int>(Id::Cp437) ==
                  CharsetTables::Koi8R);
    if (id < Id::Cp437 || id > Id::Latin9) return std::nullopt;
    return static_cast<CharsetTables::Table>(static_cast<int>(id) - static_cast<int>(Id::Cp437));
}

} // namespace

Id FromName(std::string_view name) {
    const std::string word = upperWord(name);
    for (const Named& n : names)
        if (n.Name == word) return n.Charset;
    return Id::None;
}

Id FromCodePage(std::string_view number) {
    const std::string word = upperWord(number);
    return word.empty() ? Id::None : FromName("CP" + word);
}

std::optional<Id> FromKludge(std::string_view kludge) {
    for (const std::string_view label : {"CHRS:", "CHARSET:"})
        if (kludge.starts_with(label)) return FromName(kludge.substr(label.size()));
    if (kludge.starts_with("CODEPAGE:")) return FromCodePage(kludge.substr(9));
    return std::nullopt;
}

Script ScriptOfLetter(char32_t ch) {
    if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
        (ch >= 0xC0 && ch <= 0x24F && ch != 0xD7 && ch != 0xF7))
        return Script::Latin;
    if (ch >= 0x400 && ch <= 0x4FF) return Script::Cyrillic;
    if (ch >= 0x370 && ch <= 0x3FF) return Script::Greek;
    if (ch >= 0x5D0 && ch <= 0x5EA) return Script::Hebrew;
    return Script::None;
}

Script ScriptOfUtf8(std::string_view text) {
    std::array<int, 5> count{};
    Script best = Script::None;
    while (!text.empty()) {
        std::size_t length = 1;
        const Script script = ScriptOfLetter(DecodeUtf8(text, length));
        text.remove_prefix(length);
        if (script == Script::None) continue;
        const int n = ++count[static_cast<std::size_t>(script)];
        if (best == Script::None || n > count[static_cast<std::size_t>(best)]) best = script;
    }
    return best;
}

CodePage::Id PageOf(Script script) {
    switch (script) {
    case Script::Cyrillic:
        return CodePage::Id::Cyrillic;
    case Script::Greek:
        return CodePage::Id::Greek;
    case Script::Hebrew:
        return CodePage::Id::Hebrew;
    default:
        return CodePage::Id::Us;
    }
}

CodePage::Id ChoosePage(const TScriptCounts& messages, CodePage::Id locale) {
    std::size_t best = 0; // Script::None: nothing decides
    std::uint32_t most = 0;
    bool tie = false;
    for (std::size_t s = 1; s < messages.size(); ++s) {
        if (messages[s] > most) {
            best = s;
            most = messages[s];
            tie = false;
        } else if (messages[s] == most && most > 0) {
            tie = true;
        }
    }
    return best == 0 || tie ? locale : PageOf(static_cast<Script>(best));
}

Id OfPage(CodePage::Id page) {
    switch (page) {
    case CodePage::Id::Cyrillic:
        return Id::Cp866;
    case CodePage::Id::Greek:
        return Id::Cp737;
    case CodePage::Id::Hebrew:
        return Id::Cp862;
    case CodePage::Id::Arabic:
        return Id::Cp720;
    case CodePage::Id::Us:
        break;
    }
    return Id::Cp437;
}

char32_t ToUnicode(Id id, std::uint8_t byte) {
    if (byte < 0x80) return id == Id::Utf8 || id == Id::None || id == Id::IbmPc ? 0 : byte;
    const auto table = tableOf(id);
    return table ? CharsetTables::UpperHalves[*table][byte - 0x80] : 0;
}

char32_t DecodeUtf8(std::string_view text, std::size_t& length) {
    length = 1;
    if (text.empty()) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return lead;
    const int more = lead >= 0xF5   ? -1
                     : lead >= 0xF0 ? 3
                     : lead >= 0xE0 ? 2
                     : lead >= 0xC2 ? 1
                                    : -1;
    if (more < 0 || text.size() <= static_cast<std::size_t>(more)) return 0xFFFD;
    char32_t ch = lead & (0x3F >> more);
    for (int i = 1; i <= more; ++i) {
        const auto next = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) return 0xFFFD;
        ch = (ch << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past the last are no characters.
    if ((more == 2 && ch < 0x800) || (more == 3 && (ch < 0x10000 || ch > 0x10FFFF)) ||
        (ch >= 0xD800 && ch <= 0xDFFF))
        return 0xFFFD;
    length = static_cast<std::size_t>(more) + 1;
    return ch;
}

} // namespace Charset
