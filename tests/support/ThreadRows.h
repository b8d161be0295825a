#pragma once
// The thread list's rows as texts, for the reader's tests, its fuzz target and its benchmarks
// (which link the reader): every row a walk hands over, each header row above its thread, and
// the texts of the screen's list.

#include "Lib_Menu_ListBox.h"
#include "ThreadRowSink.h"

#include <cstddef>
#include <string>
#include <vector>

using Rows = std::vector<std::string>;

class CollectedRows : public TThreadTextSink {
public:
    bool Accepting() const override { return true; }
    bool BeginThread() override {
        header_ = All.size();
        All.emplace_back();
        return true;
    }
    void AddRowText(const ShortStr& row) override { All.push_back(row.Str()); }
    void EndThreadText(const ShortStr& header) override { All[header_] = header.Str(); }

    Rows All;

private:
    std::size_t header_ = 0;
};

// The text of every row of a list, from the first.
inline Rows RowTexts(const TListRows& rows) {
    Rows texts;
    for (std::int32_t i = 1; i <= rows.Count(); ++i) texts.push_back(rows.Text(i).Str());
    return texts;
}
