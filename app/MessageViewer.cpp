#include "MessageViewer.h"

#include "Lib_Dates.h"
#include "Lib_Strings.h"
#include "PcKeys.h"
#include "ThreadIndex.h"

namespace {

constexpr std::uint8_t headerTextAttr = 11; // light cyan on black
constexpr std::uint8_t frameAttr = 9;       // light blue on black
constexpr std::uint8_t readerBoxType = 4;
// Lines of at most 77 characters: the text list shows 77 columns between its frame and the
// scroll track, and every character of a line must be seen.
constexpr unsigned textWidth = 76;
constexpr char kludgeMark = 1;

void styleBox(TMenuBox& box) {
    box.BoxType = readerBoxType;
    box.BoxAttr = box.BoxAttr2 = box.BoxAttr3 = box.BoxAttr4 = frameAttr;
}

void writeHeaderLines(TReaderState& state, TJamMsgBase& base) {
    TIOBase& console = *state.Console;
    auto line = [&](int x, int y, std::string_view label, const ShortStr& value) {
        console.WriteAt(x, y, headerTextAttr, (ShortStr(label) + value).View());
    };
    line(3, 2, "From: ", base.FromName());
    line(3, 3, "  To: ", base.ToName());
    line(3, 4, "Subj: ", base.SubjectText());
    line(51, 2, "Msg #: ", IntToText(ScanNumber(base)));
    ShortStr place = IntToText(state.ThreadPos);
    place += " of ";
    place += IntToText(state.ThreadTotal);
    line(50, 3, "Thread: ", place);
    line(52, 4, "Date: ", FormatDateMask(base.WrittenDate(), "DD NNN YYYY HH:II"));
}

} // namespace

void ApplyStyle(TMenuBox* box, TListBox* list) {
    if (box) {
        styleBox(*box);
        box->ShadowAttr = 8;
    }
    if (list) {
        list->LoAttr = 7;
        list->SearchAttr = 11;
        list->CloseAttr = 12;
        list->TagAttr = 14;
        styleBox(*list->Box);
        list->Percent.TrackAttr = 1;
        list->Percent.MarkChar = 0xDB;
        list->Percent.MarkAttr = 9;
    }
}

bool ViewMessage(TReaderState& state, std::int32_t number) {
    TJamMsgBase& base = *state.MsgBase;
    base.SeekNumber(number);
    if (!base.HasCurrent()) return false;
    base.LoadMessage();
    // A header that cannot be read leaves another message's header in memory: nothing of it is
    // shown, and no message is marked read for it.
    if (base.HeaderBytes() == 0) return false;
    // The thread list reads its "N" marks from here.
    MarkRead(state.ReadState, ScanNumber(base));

    TIOBase& console = *state.Console;
    TMenuBox headerBox(console);
    TListBox textList(console);
    ApplyStyle(&headerBox, &textList);

    // Kludge lines come first and start with byte 1; the reader shows only the text. The
    // pieces of a kludge line longer than the width go with it.
    base.RewindText();
    bool kludge = false;
    while (!base.TextDone()) {
        const ShortStr line = base.ReadTextLine(textWidth);
        if (!base.LineContinues()) kludge = !line.Empty() && line[0] == kludgeMark;
        if (!kludge) textList.Add(line, 0);
    }

    console.ClearScreen();
    headerBox.Header = " ENTER/Next message ";
    headerBox.Open(1, 1, 80, 5);
    writeHeaderLines(state, base);

    textList.Open(1, 6, 80, 25);
    textList.Close();
    bool next = textList.ExitCode == PcKey::Enter;
    headerBox.Close();
    return next;
}
