#include "MessageViewer.h"

#include "HelpBox.h"
#include "Lib_Dates.h"
#include "Lib_Strings.h"
#include "MessageLines.h"
#include "ReaderKeys.h"
#include "Suspend.h"
#include "ThreadIndex.h"

namespace {

constexpr std::uint8_t headerTextAttr = 11; // light cyan on black
constexpr std::uint8_t frameAttr = 9;       // light blue on black
constexpr std::uint8_t readerBoxType = 4;
// Lines of at most 77 characters: the text list shows 77 columns between its frame and the
// scroll track, and every character of a line must be seen.
constexpr unsigned textWidth = 76;

// The colour of a line by its kind. Body text stays light grey. Quotes are yellow, the colour
// a reader's eye finds at once on black, and far from the frame's light blue and the header's
// light cyan; the tearline and origin line are cyan, quieter than the text they close; kludges
// are dark grey, there for the curious and out of the way.
std::uint8_t attrOf(LineKind kind) {
    switch (kind) {
    case LineKind::Quote:
        return 14;
    case LineKind::Tearline:
        return 3;
    case LineKind::Kludge:
        return 8;
    default:
        return 7;
    }
}

void styleBox(TMenuBox& box) {
    box.BoxType = readerBoxType;
    box.BoxAttr = box.BoxAttr2 = box.BoxAttr3 = box.BoxAttr4 = frameAttr;
}

void writeHeaderLines(const TReaderState& state, TJamMsgBase& base,
                      const TCharsetConverter* converter) {
    TIOBase& console = *state.Console;
    auto line = [&](int x, int y, std::string_view label, const ShortStr& value) {
        console.WriteAt(x, y, headerTextAttr, (ShortStr(label) + value).View());
    };
    auto name = [&](const ShortStr& text) {
        return converter != nullptr ? ShortStr(converter->Convert(text.View())) : text;
    };
    line(3, 2, "From: ", name(base.FromName()));
    line(3, 3, "  To: ", name(base.ToName()));
    line(3, 4, "Subj: ", name(base.SubjectText()));
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

ViewerExit ViewMessage(TReaderState& state, std::int32_t number) {
    TJamMsgBase& base = *state.MsgBase;
    base.SeekNumber(number);
    if (!base.HasCurrent()) return ViewerExit::Back;
    base.LoadMessage();
    // A header that cannot be read leaves another message's header in memory: nothing of it is
    // shown, and no message is marked read for it.
    if (base.HeaderBytes() == 0) return ViewerExit::Back;
    const std::int32_t shown = ScanNumber(base);
    // The thread list reads its "N" marks from here.
    MarkRead(state.ReadState, shown);

    TIO_STDIO& console = *state.Console;
    TMenuBox headerBox(console);
    TListBox textList(console);
    ApplyStyle(&headerBox, &textList);
    // The message in its own charset, converted into the display page; 0x8D is a letter in
    // code page 866 text.
    const Charset::Id charset = base.MessageCharset();
    const TCharsetConverter* converter =
        state.Converters != nullptr ? &state.Converters->For(charset) : nullptr;
    base.SetTextConverter(converter);
    base.SetSoftCRIsLetter(charset == Charset::Id::Cp866 ||
                           (state.Page.Chosen == CodePage::Id::Cyrillic &&
                            (converter == nullptr || converter->Identity())));
    TMessageLines lines;
    lines.Read(base, textWidth, state.ShowKludges);
    textList.ShowRows(&lines);
    textList.ExitKeys = ExitKeysOf(ReaderScreen::Viewer, false);
    textList.ExitExtKeys = ExitKeysOf(ReaderScreen::Viewer, true);
    // The kind of a line, which the list box hands over as its tag, gives its colour.
    textList.OnDrawRow = [&](int x, int y, int width, std::uint8_t kind, const ShortStr& text,
                             bool selected) {
        ShortStr padded(" ");
        padded += text;
        padded += ' ';
        console.WriteAt(x, y, selected ? textList.HiAttr : attrOf(static_cast<LineKind>(kind)),
                        AlignLeft(padded, width, ' ').View());
    };

    console.ClearScreen();
    headerBox.Header = " ENTER/Next message ";
    headerBox.Open(1, 1, 80, 5);
    writeHeaderLines(state, base, converter);

    ViewerExit exit = ViewerExit::Back;
    for (bool open = true; open;) {
        textList.Open(1, 6, 80, 25);
        switch (CommandOf(ReaderScreen::Viewer, {textList.ExitCode, textList.ExitExtended})) {
        case ReaderCommand::Open:
            exit = ViewerExit::Next;
            open = false;
            break;
        case ReaderCommand::NextUnread:
            exit = ViewerExit::NextUnread;
            open = false;
            break;
        case ReaderCommand::Quit:
            exit = ViewerExit::Quit;
            open = false;
            break;
        case ReaderCommand::MarkUnread:
            MarkUnread(state.ReadState, shown);
            break;
        case ReaderCommand::Kludges:
            // The lines again, with or without the kludges; the bar goes back to the top.
            state.ShowKludges = !state.ShowKludges;
            lines.Read(base, textWidth, state.ShowKludges);
            textList.ShowRows(&lines);
            textList.Picked = 1;
            textList.TopPage = 1;
            break;
        case ReaderCommand::Help:
            ShowHelpBox(console, ReaderScreen::Viewer);
            break;
        case ReaderCommand::Rescan:
            console.Repaint();
            break;
        case ReaderCommand::Suspend:
            SuspendProgram();
            break;
        default: // Esc
            open = false;
            break;
        }
    }
    textList.Close();
    headerBox.Close();
    base.SetTextConverter(nullptr);
    return exit;
}
