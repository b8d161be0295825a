#pragma once
// The keys of the reader's two screens and what each does there, in one table: the screens take
// the commands of their keys from it, the help box and --help print it, and a test checks the
// README and the manual page against it, so that no key is added in one place and missing from
// the others. The keys that move and search are the list box's own; the table names them too.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// What a key asks of a screen beyond what the list box does with it.
enum class ReaderCommand {
    None,           // the list box's own key: moving, searching
    Open,           // Enter: open the message; in the viewer, the next of the thread
    Back,           // Esc: back to the list; on the list, leave
    NextUnread,     // Tab
    PreviousUnread, // Shift+Tab
    MarkThreadRead, // Ctrl+R
    MarkUnread,     // Ctrl+U
    MarkAllRead,    // Ctrl+K
    Kludges,        // F2
    Help,           // F1, Alt+H
    Rescan,         // Ctrl+L
    Quit,           // Ctrl+C
    Suspend         // Ctrl+Z (POSIX)
};

// A key as the terminal object gives it: a byte, or 0 and an extended code.
struct TKeyCode {
    std::uint8_t Code = 0;
    bool Extended = false;
};

struct TReaderKey {
    std::string_view Keys;     // as the user names them: "Up, Down", "Ctrl+A"
    std::string_view OnList;   // on the thread list; empty when the key does nothing there
    std::string_view InViewer; // in the message viewer; empty likewise
    ReaderCommand Command = ReaderCommand::None;
    TKeyCode Codes[2] = {}; // the key bytes of a command (a second one, or none)
};

enum class ReaderScreen { List, Viewer };

// Every key of both screens, in the order a user meets them (Ctrl+Z only where it suspends).
std::span<const TReaderKey> ReaderKeys();

// The command a key gives on a screen; None for the list box's own keys and keys without one.
ReaderCommand CommandOf(ReaderScreen screen, TKeyCode key);

// The bytes and extended codes that must end a screen's list box: its commands' keys.
std::string ExitKeysOf(ReaderScreen screen, bool extended);

// The keys as text, one key a line: both screens (--help), or one (its help box).
std::string ReaderKeysText();
std::string ReaderKeysText(ReaderScreen screen);
