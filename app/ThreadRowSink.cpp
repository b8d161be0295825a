#include "ThreadRowSink.h"

bool TListBoxRows::Accepting() const {
    return list_.ListMax < TListBox::MaxItems;
}

bool TListBoxRows::BeginThread() {
    if (!Accepting()) return false;
    // The header row's place is taken now; its text follows once the thread is counted.
    list_.Add("Thread", 0);
    headerRow_ = list_.ListMax;
    return true;
}

void TListBoxRows::AddRow(const ShortStr& row) {
    list_.Add(row, 0);
}

void TListBoxRows::EndThread(const ShortStr& header) {
    list_.List[headerRow_].Name = header;
}
