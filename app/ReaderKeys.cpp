#include "ReaderKeys.h"

#include <array>

namespace {

constexpr std::array<TReaderKey, 7> keys = {{
    {"Up, Down", "move the selection one row", "move the bar one line"},
    {"PgUp, PgDn, Left, Right", "move the selection one page", "move the bar one page"},
    {"Home, End", "go to the first or the last row", "go to the first or the last line"},
    {"Enter", "open the message (on a header row: go to its first message)",
     "next message of the thread"},
    {"Esc", "leave the program", "back to the thread list"},
    {"typing", "search the rows, from the selected one", "search the lines"},
    {"Backspace, Ctrl+A", "drop a letter of the search; find the next row that matches",
     "the same for the lines"},
}};

} // namespace

std::span<const TReaderKey> ReaderKeys() {
    return keys;
}

std::string ReaderKeysText() {
    std::string text = "Keys (thread list / message viewer):\n";
    for (const TReaderKey& key : keys) {
        text += "  ";
        text += key.Keys;
        text += "\n      list:   ";
        text += key.OnList;
        text += "\n      viewer: ";
        text += key.InViewer;
        text += '\n';
    }
    return text;
}
