#include "ThreadListScreen.h"

#include "Lib_Menu_ListBox.h"
#include "MessageViewer.h"
#include "PcKeys.h"
#include "ThreadListRows.h"
#include "ThreadPlan.h"

namespace {

// Sets ThreadTotal and ThreadPos from the header row of the selected row's thread.
void findThreadHeader(TReaderState& state, const TThreadListRows& rows, const TListBox& list) {
    const std::int32_t header = rows.HeaderOf(list.Picked);
    state.ThreadTotal = rows.ThreadSize(header);
    state.ThreadPos = list.Picked - header;
}

void handleEnter(TReaderState& state, const TThreadListRows& rows, TListBox& list) {
    if (list.ListMax == 0) return;
    std::int32_t n = rows.Number(list.Picked);
    if (n == 0) list.MoveSelection(false, true);
    if (n <= 0) return;
    findThreadHeader(state, rows, list);
    while (ViewMessage(state, n)) {
        if (list.Picked == list.ListMax) return;
        list.MoveSelection(false, true);
        n = rows.Number(list.Picked);
        if (n == 0) return;
        ++state.ThreadPos;
    }
}

} // namespace

void ThreadListScreen(TReaderState& state, std::unique_ptr<ConsoleDevice> device) {
    TIO_STDIO console(std::move(device), 80, 25);
    state.Console = &console;
    {
        // The whole base is read, front to back, before the first screen.
        TThreadListRows rows(state.ReadState);
        BuildWholeThreadIndex(*state.MsgBase, state.ReadState, rows);
        TListBox threadList(console);
        threadList.ShowRows(&rows);
        ApplyStyle(nullptr, &threadList);
        for (;;) {
            threadList.Open(1, 1, 80, 25);
            if (threadList.ExitCode == PcKey::Esc) break;
            if (threadList.ExitCode == PcKey::Enter) handleEnter(state, rows, threadList);
        }
        console.ClearScreen();
        console.WriteText(ShortStr(ReaderBanner).View());
        console.WriteText("\r\n");
        console.WriteText(ShortStr(ReaderWebAddress).View());
        console.WriteText("\r\n");
    }
    state.Console = nullptr;
}
