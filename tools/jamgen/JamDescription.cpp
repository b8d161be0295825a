#include "JamDescription.h"

#include "Cp437.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace jamgen {

namespace {

struct SubfieldKey {
    const char* Name;
    std::uint16_t LoID;
    const char* Prefix; // put before the value in the data
};

constexpr SubfieldKey kSubfieldKeys[] = {
    {"from", kSenderName, ""},
    {"sendername", kSenderName, ""},
    {"to", kReceiverName, ""},
    {"receivername", kReceiverName, ""},
    {"subject", kSubject, ""},
    {"msgid", kMsgId, ""},
    {"reply", kReplyId, ""},
    {"replyid", kReplyId, ""},
    {"pid", kPid, ""},
    {"tzutc", kTzUtcInfo, ""},
    {"tzutcinfo", kTzUtcInfo, ""},
    {"seen-by", kSeenBy2D, ""},
    {"seenby2d", kSeenBy2D, ""},
    {"path", kPath2D, ""},
    {"path2d", kPath2D, ""},
    {"flags", kFlags, ""},
    {"via", kTrace, ""},
    {"trace", kTrace, ""},
    {"oaddress", kOAddress, ""},
    {"daddress", kDAddress, ""},
    {"chrs", kFtsKludge, "CHRS: "},
    {"kludge", kFtsKludge, ""},
    {"ftskludge", kFtsKludge, ""},
};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A charset as an error names it: "code page 437", "KOI8-R".
std::string charsetName(Charset::Id charset) {
    switch (charset) {
    case Charset::Id::Cp437:
        return "code page 437";
    case Charset::Id::Cp720:
        return "code page 720";
    case Charset::Id::Cp737:
        return "code page 737";
    case Charset::Id::Cp862:
        return "code page 862";
    case Charset::Id::Cp866:
        return "code page 866";
    default:
        return "the message's charset";
    }
}

// UTF-8 to bytes of the charset (UTF-8 itself: as it is); false with a reason for malformed UTF-8
// or a missing character.
bool toCharset(Charset::Id charset, std::string_view utf8, std::string* out, std::string* reason) {
    out->clear();
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out->push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        int extra = lead >= 0xF8 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
        if (extra < 0 || utf8.size() - i <= static_cast<std::size_t>(extra)) {
            *reason = "malformed UTF-8 at byte " + std::to_string(i + 1);
            return false;
        }
        char32_t ch = lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                *reason = "malformed UTF-8 at byte " + std::to_string(i + 1);
                return false;
            }
            ch = (ch << 6) | (next & 0x3F);
        }
        if (charset == Charset::Id::Utf8) {
            out->append(utf8.substr(i, static_cast<std::size_t>(extra) + 1));
            i += static_cast<std::size_t>(extra) + 1;
            continue;
        }
        std::optional<unsigned char> byte = UnicodeToCharset(charset, ch);
        if (!byte) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(ch));
            *reason = std::string("character ") + code + " has no " + charsetName(charset) +
                      " byte (use \\xHH)";
            return false;
        }
        out->push_back(static_cast<char>(*byte));
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Resolves the escapes; *continued tells whether the text ended in a lone backslash (allowed
// only when continued is given).
bool unescape(std::string_view in, std::string* out, bool* continued, std::string* reason) {
    out->clear();
    if (continued) *continued = false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out->push_back(in[i]);
            continue;
        }
        if (i + 1 == in.size()) {
            if (continued) {
                *continued = true;
                return true;
            }
            *reason = "a backslash ends the value (write \\\\ for one)";
            return false;
        }
        char e = in[++i];
        switch (e) {
        case '\\':
            out->push_back('\\');
            break;
        case 'r':
            out->push_back('\r');
            break;
        case 'n':
            out->push_back('\n');
            break;
        case 's':
            out->push_back('\x8D');
            break;
        case 't':
            out->push_back('\t');
            break;
        case '0':
            out->push_back('\0');
            break;
        case 'x': {
            int hi = i + 1 < in.size() ? hexValue(in[i + 1]) : -1;
            int lo = i + 2 < in.size() ? hexValue(in[i + 2]) : -1;
            if (hi < 0 || lo < 0) {
                *reason = "\\x needs two hex digits";
                return false;
            }
            out->push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
            break;
        }
        default:
            *reason = std::string("unknown escape \\") + e;
            return false;
        }
    }
    return true;
}

bool parseU32(std::string_view text, std::uint32_t* value) {
    text = trim(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    std::uint64_t v = 0;
    for (char c : text) {
        int d = hexValue(c);
        if (d < 0 || d >= base) return false;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    *value = static_cast<std::uint32_t>(v);
    return true;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS" or seconds since 1970.
bool parseDate(std::string_view text, std::uint32_t* stamp) {
    text = trim(text);
    if (parseU32(text, stamp)) return true;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    std::string copy(text);
    int used = 0;
    int got = std::sscanf(copy.c_str(), "%4d-%2d-%2d%n %2d:%2d%n:%2d%n", &y, &mo, &d, &used, &h,
                          &mi, &used, &s, &used);
    if (got < 3 || got == 4 || static_cast<std::size_t>(used) != copy.size()) return false;
    std::optional<std::uint32_t> value = JamTimeStamp(y, mo, d, h, mi, s);
    if (!value) return false;
    *stamp = *value;
    return true;
}

class Parser {
public:
    Parser(const std::string& source, JamBaseModel* model, std::string* error)
        : source_(source), model_(model), error_(error) {}

    bool Run(std::string_view text) {
        *model_ = JamBaseModel{};
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (lineNo_ == 0 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
            ++lineNo_;
            if (!Line(line)) return false;
            if (end == text.size()) break;
            start = end + 1;
        }
        return Finish();
    }

private:
    bool Fail(const std::string& message) {
        if (error_) *error_ = source_ + ":" + std::to_string(lineNo_) + ": " + message;
        return false;
    }

    bool Line(std::string_view raw) {
        if (raw.empty() || raw[0] == '#') return true;
        std::string line;
        std::string reason;
        if (!toCharset(charset_, raw, &line, &reason)) return Fail(reason);
        if (line[0] == '|') return TextLine(std::string_view(line).substr(1));
        if (trim(line).empty()) return true;
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) return Fail("expected 'Key: value' or a '|' text line");
        std::string key = lower(trim(std::string_view(line).substr(0, colon)));
        std::string value;
        if (!unescape(trim(std::string_view(line).substr(colon + 1)), &value, nullptr, &reason)) {
            return Fail(reason);
        }
        return Item(key, std::string(trim(std::string_view(line).substr(0, colon))), value);
    }

    bool TextLine(std::string_view content) {
        if (!current_) return Fail("a text line outside a message (add a Msg line first)");
        std::string bytes;
        bool continued = false;
        std::string reason;
        if (!unescape(content, &bytes, &continued, &reason)) return Fail(reason);
        JamMessage& msg = Current();
        msg.Text += bytes;
        if (!continued) msg.Text.push_back('\r');
        return true;
    }

    bool Number(const std::string& value, std::uint32_t* out, const std::string& what) {
        if (!parseU32(value, out)) return Fail("'" + value + "' is not a number for " + what);
        return true;
    }

    JamMessage& Current() { return model_->Messages[*current_]; }

    bool Item(const std::string& key, const std::string& keyAsWritten, const std::string& value) {
        if (key == "deletednumbers") return DeletedNumbers(value);
        if (key == "codepage") return SetCodePage(value);
        if (key == "msg") return StartMessage(value);
        if (!current_) return BaseItem(key, keyAsWritten, value);
        return MessageItem(key, keyAsWritten, value);
    }

    bool BaseItem(const std::string& key, const std::string& keyAsWritten,
                  const std::string& value) {
        JamFixedHeader& h = model_->Header;
        std::uint32_t n = 0;
        if (key == "datecreated") {
            if (!parseDate(value, &h.DateCreated)) return Fail("'" + value + "' is not a date");
            return true;
        }
        std::uint32_t* target = key == "basemsgnum"     ? &h.BaseMsgNum
                                : key == "modcounter"   ? &h.ModCounter
                                : key == "passwordcrc"  ? &h.PasswordCRC
                                : key == "signature"    ? &h.Signature
                                : key == "indexrecords" ? &model_->MinIndexRecords
                                                        : nullptr;
        if (target) return Number(value, target, keyAsWritten);
        if (key == "activemsgs") {
            if (!Number(value, &n, keyAsWritten)) return false;
            h.ActiveMsgs = n;
            return true;
        }
        if (IsMessageKey(key)) {
            return Fail("'" + keyAsWritten + "' outside a message (add a Msg line first)");
        }
        return Fail("unknown key '" + keyAsWritten + "'");
    }

    bool SetCodePage(const std::string& value) {
        std::uint32_t number = 0;
        if (!Number(value, &number, "CodePage")) return false;
        for (CodePage::Id page : {CodePage::Id::Us, CodePage::Id::Arabic, CodePage::Id::Greek,
                                  CodePage::Id::Hebrew, CodePage::Id::Cyrillic}) {
            if (static_cast<std::uint32_t>(page) == number) {
                baseCharset_ = charset_ = Charset::OfPage(page);
                return true;
            }
        }
        return Fail("code page " + value + " is not one of 437, 720, 737, 862 and 866");
    }

    static bool IsMessageKey(const std::string& key) {
        static const std::set<std::string> keys = {
            "date",      "received", "processed", "replyto", "attribute", "attribute2",
            "timesread", "cost",     "deleted",   "set",     "subfield",  "datlen"};
        if (keys.count(key)) return true;
        return std::any_of(std::begin(kSubfieldKeys), std::end(kSubfieldKeys),
                           [&](const SubfieldKey& k) { return key == k.Name; });
    }

    bool StartMessage(const std::string& value) {
        std::uint32_t number = 0;
        if (!Number(value, &number, "Msg")) return false;
        std::uint32_t record = number - model_->Header.BaseMsgNum;
        if (record >= kJamMaxIndexRecords) {
            return Fail("message " + std::to_string(number) +
                        " does not fit an index starting at " +
                        std::to_string(model_->Header.BaseMsgNum));
        }
        if (!numbers_.insert(number).second) {
            return Fail("message " + std::to_string(number) + " is given twice");
        }
        JamMessage msg;
        msg.Number = number;
        model_->Messages.push_back(std::move(msg));
        current_ = model_->Messages.size() - 1;
        charset_ = baseCharset_;
        return true;
    }

    bool MessageItem(const std::string& key, const std::string& keyAsWritten,
                     const std::string& value) {
        JamMessage& msg = Current();
        if (key == "charset") {
            // The message's CHRS kludge; its lines from here on are written in that charset.
            const Charset::Id charset = Charset::FromName(value);
            if (charset == Charset::Id::None) return Fail("charset '" + value + "' is not known");
            msg.AddSubfield(kFtsKludge,
                            "CHRS: " + value + (charset == Charset::Id::Utf8 ? " 4" : " 2"));
            charset_ = charset;
            return true;
        }
        for (const SubfieldKey& k : kSubfieldKeys) {
            if (key == k.Name) {
                msg.AddSubfield(k.LoID, k.Prefix + value);
                return true;
            }
        }
        if (key == "date" || key == "received" || key == "processed") {
            std::uint32_t* target = key == "date"       ? &msg.DateWritten
                                    : key == "received" ? &msg.DateReceived
                                                        : &msg.DateProcessed;
            if (!parseDate(value, target)) return Fail("'" + value + "' is not a date");
            return true;
        }
        std::uint32_t* target = key == "replyto"       ? &msg.ReplyTo
                                : key == "attribute"   ? &msg.Attribute
                                : key == "attribute2"  ? &msg.Attribute2
                                : key == "timesread"   ? &msg.TimesRead
                                : key == "cost"        ? &msg.Cost
                                : key == "passwordcrc" ? &msg.PasswordCRC
                                                       : nullptr;
        if (target) return Number(value, target, keyAsWritten);
        if (key == "deleted") {
            std::string v = lower(value);
            if (v != "yes" && v != "no") return Fail("Deleted takes yes or no");
            msg.Deleted = v == "yes";
            return true;
        }
        if (key == "set") return SetField(value);
        if (key == "subfield") {
            std::size_t space = value.find_first_of(" \t");
            std::uint32_t loId = 0;
            if (!parseU32(value.substr(0, space), &loId) || loId > 0xFFFF) {
                return Fail("Subfield needs a type number of 0 to 65535, then the data");
            }
            std::string data = space == std::string::npos ? "" : value.substr(space + 1);
            msg.AddSubfield(static_cast<std::uint16_t>(loId), data);
            return true;
        }
        if (key == "datlen") {
            if (msg.Subfields.empty()) return Fail("DatLen needs a subfield before it");
            std::uint32_t n = 0;
            if (!Number(value, &n, keyAsWritten)) return false;
            msg.Subfields.back().DatLenOverride = n;
            return true;
        }
        if (key == "basemsgnum" || key == "modcounter" || key == "activemsgs" ||
            key == "datecreated" || key == "signature" || key == "indexrecords") {
            return Fail("base setting '" + keyAsWritten + "' after the first message");
        }
        return Fail("unknown key '" + keyAsWritten + "'");
    }

    bool SetField(const std::string& value) {
        std::size_t space = value.find_first_of(" \t");
        std::string name = value.substr(0, space);
        std::optional<JamField> field = JamFieldFromName(name);
        if (!field) return Fail("Set: unknown field '" + name + "'");
        std::uint32_t n = 0;
        if (space == std::string::npos || !parseU32(value.substr(space + 1), &n)) {
            return Fail("Set: " + name + " needs a number");
        }
        Current().Overrides[*field] = n;
        return true;
    }

    bool DeletedNumbers(const std::string& value) {
        std::size_t pos = 0;
        while (pos < value.size()) {
            std::size_t end = value.find_first_of(" \t,", pos);
            if (end == std::string::npos) end = value.size();
            if (end > pos) {
                std::uint32_t n = 0;
                if (!Number(value.substr(pos, end - pos), &n, "DeletedNumbers")) return false;
                deleted_.push_back({n, lineNo_});
            }
            pos = end + 1;
        }
        return true;
    }

    bool Finish() {
        for (const auto& [number, line] : deleted_) {
            lineNo_ = line;
            if (JamMessage* msg = model_->FindMessage(number)) {
                msg->Deleted = true;
                continue;
            }
            std::uint32_t record = number - model_->Header.BaseMsgNum;
            if (record >= kJamMaxIndexRecords) {
                return Fail("deleted number " + std::to_string(number) +
                            " does not fit an index starting at " +
                            std::to_string(model_->Header.BaseMsgNum));
            }
            model_->MinIndexRecords = std::max(model_->MinIndexRecords, record + 1);
        }
        return true;
    }

    const std::string& source_;
    JamBaseModel* model_;
    std::string* error_;
    int lineNo_ = 0;
    // The charset of the lines' characters: the base's (CodePage), or a message's own (Charset).
    Charset::Id baseCharset_ = Charset::Id::Cp437;
    Charset::Id charset_ = Charset::Id::Cp437;
    std::optional<std::size_t> current_;
    std::set<std::uint32_t> numbers_;
    std::vector<std::pair<std::uint32_t, int>> deleted_;
};

} // namespace

bool ParseJamDescription(std::string_view text, const std::string& sourceName, JamBaseModel* model,
                         std::string* error) {
    Parser parser(sourceName, model, error);
    return parser.Run(text);
}

bool LoadJamDescription(const std::string& path, JamBaseModel* model, std::string* error) {
    std::string text;
    if (!ReadWholeFile(path, &text, error)) return false;
    return ParseJamDescription(text, path, model, error);
}

} // namespace jamgen
