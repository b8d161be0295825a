#include "ThreadListScreen.h"

#include "Lib_Menu_ListBox.h"
#include "MessageViewer.h"
#include "PcKeys.h"
#include "ThreadIndex.h"

namespace {

std::int32_t pickedNumber(const TListBox& list) {
    return RowNumber(list.List[list.Picked].Name);
}

// Sets ThreadTotal and ThreadPos from the thread header row above the selected row.
void findThreadHeader(TReaderState& state, const TListBox& list) {
    state.ThreadTotal = 0;
    for (std::int32_t i = list.Picked; i >= 1; --i) {
        std::string_view text = list.List[i].Name.View();
        if (text.substr(0, 6) != "Thread") continue;
        std::string_view rest = text.size() > 8 ? text.substr(8) : std::string_view();
        // The count is the first word after "Thread (", read as a row's number is.
        state.ThreadTotal = RowNumber(ShortStr(rest));
        state.ThreadPos = list.Picked - i;
        return;
    }
}

void handleEnter(TReaderState& state, TListBox& list) {
    if (list.ListMax == 0) return;
    std::int32_t n = pickedNumber(list);
    if (n == 0) list.MoveSelection(false, true);
    if (n <= 0) return;
    findThreadHeader(state, list);
    while (ViewMessage(state, list, n)) {
        if (list.Picked == list.ListMax) return;
        list.MoveSelection(false, true);
        n = pickedNumber(list);
        if (n == 0) return;
        ++state.ThreadPos;
    }
}

} // namespace

void ThreadListScreen(TReaderState& state, std::unique_ptr<ConsoleDevice> device) {
    TIO_STDIO console(std::move(device), 80, 25);
    state.Console = &console;
    {
        TListBox threadList(console);
        BuildThreadIndex(*state.MsgBase, state.ReadState, threadList);
        ApplyStyle(nullptr, &threadList);
        for (;;) {
            threadList.Open(1, 1, 80, 25);
            if (threadList.ExitCode == PcKey::Esc) break;
            if (threadList.ExitCode == PcKey::Enter) handleEnter(state, threadList);
        }
        console.ClearScreen();
        console.WriteText(ShortStr(ReaderBanner).View());
        console.WriteText("\r\n");
        console.WriteText(ShortStr(ReaderWebAddress).View());
        console.WriteText("\r\n");
    }
    state.Console = nullptr;
}
