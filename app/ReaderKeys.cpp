#include "ReaderKeys.h"

#include "PcKeys.h"

#include <vector>

namespace {

using C = ReaderCommand;

constexpr TKeyCode key(std::uint8_t code) {
    return {code, false};
}
constexpr TKeyCode extended(std::uint8_t code) {
    return {code, true};
}

const std::vector<TReaderKey>& table() {
    static const std::vector<TReaderKey> keys = {
        {"Up, Down", "move the selection one row", "move the bar one line"},
        {"PgUp, PgDn, Left, Right", "move the selection one page", "move the bar one page"},
        {"Home, End", "go to the first or the last row", "go to the first or the last line"},
        {"Enter",
         "open the message, or go to a thread's first message",
         "next message of the thread",
         C::Open,
         {key(PcKey::Enter)}},
        {"Esc", "leave the program", "back to the thread list", C::Back, {key(PcKey::Esc)}},
        {"Tab",
         "go to the next unread message",
         "open the next unread message",
         C::NextUnread,
         {key(PcKey::Tab)}},
        {"Shift+Tab",
         "go to the previous unread message",
         "",
         C::PreviousUnread,
         {extended(PcKey::ShiftTab)}},
        {"Ctrl+R", "mark the thread read", "", C::MarkThreadRead, {key(PcKey::CtrlR)}},
        {"Ctrl+U",
         "mark the message (a header row: its thread) unread",
         "mark the message unread",
         C::MarkUnread,
         {key(PcKey::CtrlU)}},
        {"Ctrl+K",
         "mark the whole base read (asks first)",
         "",
         C::MarkAllRead,
         {key(PcKey::CtrlK)}},
        {"F2", "", "show or hide the kludge lines", C::Kludges, {extended(PcKey::F2)}},
        {"F1, Alt+H",
         "the keys of this screen",
         "the keys of this screen",
         C::Help,
         {extended(PcKey::F1), extended(PcKey::AltH)}},
        {"Ctrl+L",
         "redraw; read the base again when its files changed",
         "redraw",
         C::Rescan,
         {key(PcKey::CtrlL)}},
        {"Ctrl+C", "leave the program", "leave the program", C::Quit, {key(PcKey::CtrlC)}},
#ifndef _WIN32
        {"Ctrl+Z",
         "suspend (fg brings it back)",
         "suspend (fg brings it back)",
         C::Suspend,
         {key(PcKey::CtrlZ)}},
#endif
        {"typing", "search the rows, from the selected one", "search the lines"},
        {"Backspace, Ctrl+A", "drop a letter; find the next row that matches",
         "the same for the lines"},
    };
    return keys;
}

std::string_view actionOn(ReaderScreen screen, const TReaderKey& k) {
    return screen == ReaderScreen::List ? k.OnList : k.InViewer;
}

// Calls visit(code, command) for each key code that gives a command on screen (an unused second
// code slot is none).
template <typename Visit> void forEachCommandKey(ReaderScreen screen, Visit visit) {
    for (const TReaderKey& k : table()) {
        if (k.Command == C::None || actionOn(screen, k).empty()) continue;
        for (const TKeyCode& c : k.Codes)
            if (c.Code != 0 || c.Extended) visit(c, k.Command);
    }
}

} // namespace

std::span<const TReaderKey> ReaderKeys() {
    return table();
}

ReaderCommand CommandOf(ReaderScreen screen, TKeyCode code) {
    ReaderCommand found = C::None;
    forEachCommandKey(screen, [&](const TKeyCode& c, ReaderCommand command) {
        if (found == C::None && c.Code == code.Code && c.Extended == code.Extended) found = command;
    });
    return found;
}

std::string ExitKeysOf(ReaderScreen screen, bool extendedKeys) {
    std::string codes;
    forEachCommandKey(screen, [&](const TKeyCode& c, ReaderCommand) {
        if (c.Extended == extendedKeys) codes += static_cast<char>(c.Code);
    });
    return codes;
}

std::string ReaderKeysText() {
    std::string text = "Keys (thread list / message viewer):\n";
    for (const TReaderKey& k : table()) {
        text += "  ";
        text += k.Keys;
        text += "\n      list:   ";
        text += k.OnList.empty() ? "-" : k.OnList;
        text += "\n      viewer: ";
        text += k.InViewer.empty() ? "-" : k.InViewer;
        text += '\n';
    }
    return text;
}

std::string ReaderKeysText(ReaderScreen screen) {
    std::string text;
    for (const TReaderKey& k : table()) {
        const std::string_view action = actionOn(screen, k);
        if (action.empty()) continue;
        std::string line(k.Keys);
        line.resize(24, ' ');
        text += line;
        text += action;
        text += '\n';
    }
    return text;
}
