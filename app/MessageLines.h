#pragma once
// TMessageLines: the lines of one message as the viewer shows them, each with its kind, which
// decides its colour: body text, a quote, the tearline or origin line, or a kludge line (shown
// only on request). A line broken by the width keeps the kind of the line it is part of.

#include "Lib_Menu_ListBox.h"
#include "Lib_MsgBase_JAM.h"
#include "ShortStr.h"

#include <cstdint>
#include <string_view>
#include <vector>

enum class LineKind : std::uint8_t { Body, Quote, Tearline, Kludge };

// The kind of a line by its start: a kludge begins with byte 1; a quote's first non-blank
// characters are at most four letters and then '>' (" AB> ", ">", "MK>>", not "C:\>" or "=>");
// the tearline begins "---" or "___", the origin line " * Origin:" (both of the Tearline kind).
LineKind KindOfLine(std::string_view line);

class TMessageLines : public TListRows {
public:
    // The most lines kept of one message: a damaged length must not fill memory.
    static constexpr std::int32_t MaxLines = 10000;

    // Reads the message loaded in base from its start at width, kludge lines only with
    // kludges; a kludge line shows its byte 1 as '@'.
    void Read(TJamMsgBase& base, unsigned width, bool kludges);

    std::int32_t Count() const override { return static_cast<std::int32_t>(lines_.size()); }
    ShortStr Text(std::int32_t i) const override { return lines_[index(i)]; }
    // A row's kind, as the list box hands it to the row-drawing hook.
    std::uint8_t Tag(std::int32_t i) const override {
        return static_cast<std::uint8_t>(kinds_[index(i)]);
    }
    bool IsSeparator(std::int32_t) const override { return false; }

private:
    static std::size_t index(std::int32_t i) { return static_cast<std::size_t>(i - 1); }

    std::vector<ShortStr> lines_;
    std::vector<LineKind> kinds_;
};
