#pragma once
// Helpers for the jamgen tests: a scratch folder, and a plain reading of the three files of a
// written base, done by hand from the byte layout so that the writer is checked against the
// format rather than against itself.

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "TestFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jamgentest {

class Scratch : public ScratchDir {
public:
    Scratch() : ScratchDir("jamgen") {}
};

inline std::uint32_t U32(const std::string& bytes, std::size_t at) {
    if (at + 4 > bytes.size()) {
        ADD_FAILURE() << "reading 4 bytes at " << at << " of " << bytes.size();
        return 0;
    }
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

inline std::uint16_t U16(const std::string& bytes, std::size_t at) {
    if (at + 2 > bytes.size()) {
        ADD_FAILURE() << "reading 2 bytes at " << at << " of " << bytes.size();
        return 0;
    }
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

struct Sub {
    std::uint16_t LoID = 0;
    std::uint32_t DatLen = 0;
    std::string Data;
    std::uint32_t Offset = 0; // inside the subfield area
};

struct Header {
    std::uint32_t HdrOffset = 0;
    std::uint32_t Signature = 0, SubfieldLen = 0, MsgIdCrc = 0, ReplyCrc = 0, ReplyTo = 0,
                  Reply1st = 0, ReplyNext = 0, DateWritten = 0, MsgNum = 0, Attribute = 0,
                  TxtOffset = 0, TxtLen = 0;
    std::uint16_t Revision = 0;
    std::vector<Sub> Subs; // walked by SubfieldLen with sound DatLen values only
    std::string Text;      // the TxtLen bytes from TxtOffset, when they lie in the text file

    const Sub* Find(std::uint16_t loId) const {
        for (const Sub& s : Subs)
            if (s.LoID == loId) return &s;
        return nullptr;
    }
};

struct Record {
    std::uint32_t ToCrc = 0;
    std::uint32_t HdrOffset = 0;
};

struct Base {
    std::string Jhr, Jdt, Jdx;
    std::vector<Record> Records;

    explicit Base(const std::string& basePath)
        : Jhr(ReadFileBytes(basePath + ".jhr")), Jdt(ReadFileBytes(basePath + ".jdt")),
          Jdx(ReadFileBytes(basePath + ".jdx")) {
        for (std::size_t at = 0; at + 8 <= Jdx.size(); at += 8) {
            Records.push_back({U32(Jdx, at), U32(Jdx, at + 4)});
        }
    }
    std::uint32_t BaseMsgNum() const { return U32(Jhr, 20); }

    Header HeaderAt(std::uint32_t offset) const {
        Header h;
        h.HdrOffset = offset;
        h.Signature = U32(Jhr, offset);
        h.Revision = U16(Jhr, offset + 4);
        h.SubfieldLen = U32(Jhr, offset + 8);
        h.MsgIdCrc = U32(Jhr, offset + 16);
        h.ReplyCrc = U32(Jhr, offset + 20);
        h.ReplyTo = U32(Jhr, offset + 24);
        h.Reply1st = U32(Jhr, offset + 28);
        h.ReplyNext = U32(Jhr, offset + 32);
        h.DateWritten = U32(Jhr, offset + 36);
        h.MsgNum = U32(Jhr, offset + 48);
        h.Attribute = U32(Jhr, offset + 52);
        h.TxtOffset = U32(Jhr, offset + 60);
        h.TxtLen = U32(Jhr, offset + 64);
        std::uint64_t pos = 0;
        const std::uint64_t area = std::uint64_t(offset) + 76;
        while (pos + 8 <= h.SubfieldLen && area + pos + 8 <= Jhr.size()) {
            Sub s;
            s.Offset = static_cast<std::uint32_t>(pos);
            s.LoID = U16(Jhr, area + pos);
            s.DatLen = U32(Jhr, area + pos + 4);
            if (area + pos + 8 + s.DatLen > Jhr.size()) break;
            s.Data = Jhr.substr(area + pos + 8, s.DatLen);
            h.Subs.push_back(s);
            pos += 8 + std::uint64_t(s.DatLen);
        }
        if (std::uint64_t(h.TxtOffset) + h.TxtLen <= Jdt.size()) {
            h.Text = Jdt.substr(h.TxtOffset, h.TxtLen);
        }
        return h;
    }

    // The header of message n through its index record; none when deleted or out of range.
    std::optional<Header> Message(std::uint32_t n) const {
        std::uint32_t record = n - BaseMsgNum();
        if (record >= Records.size() || Records[record].HdrOffset == 0xFFFFFFFF) {
            return std::nullopt;
        }
        return HeaderAt(Records[record].HdrOffset);
    }
};

} // namespace jamgentest
