#include "ThreadListScreen.h"

#include "HelpBox.h"
#include "Lib_Menu_Box.h"
#include "Lib_Menu_ListBox.h"
#include "MessageViewer.h"
#include "PcKeys.h"
#include "ReaderKeys.h"
#include "Suspend.h"
#include "ThreadListRows.h"
#include "ThreadPlan.h"

#include <memory>

namespace {

// The thread list over the whole screen, and what its keys do.
class ListScreen {
public:
    ListScreen(TReaderState& state, TIO_STDIO& console) : state_(state), list_(console) {
        build();
        ApplyStyle(nullptr, &list_);
        list_.ExitKeys = ExitKeysOf(ReaderScreen::List, false);
        list_.ExitExtKeys = ExitKeysOf(ReaderScreen::List, true);
    }

    // Until Esc or Ctrl+C.
    void Run() {
        for (bool open = true; open;) {
            list_.Open(1, 1, 80, 25);
            open = handle(CommandOf(ReaderScreen::List, {list_.ExitCode, list_.ExitExtended}));
        }
    }

private:
    // The whole base is read, front to back, before the first screen; so again on a rescan,
    // in the display page chosen the first time.
    void build() {
        stamp_ = state_.MsgBase->Stamp();
        rows_ = std::make_unique<TThreadListRows>(state_.ReadState);
        BuildWholeThreadIndex(*state_.MsgBase, state_.ReadState, *rows_, state_.Page);
        list_.ShowRows(rows_.get());
        if (state_.Page.Fixed) return;
        state_.Page.Fixed = true;
        const CodePage::Id page = state_.Page.Chosen;
        state_.Converters = std::make_unique<TPageConverters>(page);
        state_.Console->Console().SetCodePage(page);
        list_.UpperCase = CodePage::UpperCase(page);
        list_.LowerCase = CodePage::LowerCase(page);
    }

    // False when the screen ends.
    bool handle(ReaderCommand command) {
        switch (command) {
        case ReaderCommand::Back:
        case ReaderCommand::Quit:
            return false;
        case ReaderCommand::Open:
            return open();
        case ReaderCommand::NextUnread:
        case ReaderCommand::PreviousUnread:
            goToUnread(command == ReaderCommand::PreviousUnread);
            return true;
        case ReaderCommand::MarkThreadRead:
            rows_->MarkThread(list_.Picked, true, state_.ReadState);
            return true;
        case ReaderCommand::MarkUnread:
            if (rows_->Number(list_.Picked) > 0)
                MarkUnread(state_.ReadState, rows_->Number(list_.Picked));
            else
                rows_->MarkThread(list_.Picked, false, state_.ReadState);
            return true;
        case ReaderCommand::MarkAllRead:
            if (confirm(" Mark every message of the base read? ", "Enter: yes   Esc: no"))
                rows_->MarkAllRead(state_.ReadState);
            return true;
        case ReaderCommand::Help:
            ShowHelpBox(list_.Console, ReaderScreen::List);
            return true;
        case ReaderCommand::Rescan:
            state_.Console->Repaint();
            rescan();
            return true;
        case ReaderCommand::Suspend:
            SuspendProgram();
            return true;
        default:
            return true;
        }
    }

    // Enter: on a header row the selection goes to the thread's first message; on a message
    // row the viewer opens, and goes on while it is left with Enter or Tab. False when it was
    // left with Ctrl+C.
    bool open() {
        if (list_.ListMax == 0) return true;
        if (rows_->Number(list_.Picked) == 0) {
            list_.MoveSelection(false, true);
            return true;
        }
        for (;;) {
            const std::int32_t n = rows_->Number(list_.Picked);
            const std::int32_t header = rows_->HeaderOf(list_.Picked);
            state_.ThreadTotal = rows_->ThreadSize(header);
            state_.ThreadPos = list_.Picked - header;
            switch (ViewMessage(state_, n)) {
            case ViewerExit::Quit:
                return false;
            case ViewerExit::Back:
                return true;
            case ViewerExit::NextUnread:
                if (!goToUnread(false)) return true;
                break;
            case ViewerExit::Next:
                if (list_.Picked == list_.ListMax) return true;
                list_.MoveSelection(false, true);
                if (rows_->Number(list_.Picked) == 0) return true;
                break;
            }
        }
    }

    // Moves the bar to the next (or previous) unread message row after the selection, round
    // the list once. False, with a notice on the frame, when there is none.
    bool goToUnread(bool back) {
        const std::int32_t row = rows_->NextUnread(list_.Picked, back);
        if (row == 0) {
            list_.ShowNotice("no unread");
            return false;
        }
        list_.SetPicked(row);
        return true;
    }

    // A question in a box over the list: true for Enter, false for Esc.
    bool confirm(const ShortStr& question, std::string_view answers) {
        TMenuBox box(list_.Console);
        ApplyStyle(&box, nullptr);
        box.Header = question;
        box.Open(20, 10, 61, 14);
        list_.Console.WriteAt(22, 12, 7, answers);
        std::uint8_t key = 0;
        do {
            key = list_.Console.ReadKey();
            if (key == PcKey::Extended) list_.Console.ReadKey();
        } while (key != PcKey::Enter && key != PcKey::Esc);
        box.Close();
        return key == PcKey::Enter;
    }

    // The base again when its files changed since they were read (new mail tossed in, a purge
    // or pack that wrote new files): the bar stays on the same message, or the next one listed.
    void rescan() {
        TJamMsgBase& base = *state_.MsgBase;
        if (base.Stamp() == stamp_) return;
        const std::int32_t header = rows_->Count() > 0 ? rows_->HeaderOf(list_.Picked) : 0;
        const std::int32_t was = rows_->Count() == 0               ? 0
                                 : rows_->Number(list_.Picked) > 0 ? rows_->Number(list_.Picked)
                                                                   : rows_->Number(header + 1);
        if (base.OpenBase() != 0) return; // the files as they were stay shown
        build();
        std::int32_t exact = 0;
        std::int32_t higher = 0;
        for (std::int32_t i = 1; i <= rows_->Count() && exact == 0; ++i) {
            const std::int32_t n = rows_->Number(i);
            if (n == was) exact = i;
            if (n > was && (higher == 0 || n < rows_->Number(higher))) higher = i;
        }
        const std::int32_t best = exact != 0 ? exact : higher != 0 ? higher : rows_->Count();
        list_.Picked = 1;
        list_.TopPage = 1;
        if (best > 0) list_.SetPicked(best);
    }

    TReaderState& state_;
    TListBox list_;
    std::unique_ptr<TThreadListRows> rows_;
    TJamMsgBase::TBaseStamp stamp_;
};

} // namespace

void ThreadListScreen(TReaderState& state, std::unique_ptr<ConsoleDevice> device) {
    TIO_STDIO console(std::move(device), 80, 25);
    state.Console = &console;
    {
        ListScreen screen(state, console);
        screen.Run();
        console.ClearScreen();
        console.WriteText(ShortStr(ReaderBanner).View());
        console.WriteText("\r\n");
        console.WriteText(ShortStr(ReaderWebAddress).View());
        console.WriteText("\r\n");
    }
    state.Console = nullptr;
}
