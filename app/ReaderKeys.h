#pragma once
// The keys of the reader's two screens and what each does there, in one table: the help that
// --help prints comes from it, and the README and the manual page are checked against it, so
// that no key is added in one place and missing from the others.

#include <span>
#include <string>
#include <string_view>

struct TReaderKey {
    std::string_view Keys;   // as the user names them: "Up, Down", "Ctrl+A"
    std::string_view OnList; // on the thread list; empty when the key does nothing there
    std::string_view InViewer;
};

// Every key of both screens, in the order a user meets them.
std::span<const TReaderKey> ReaderKeys();

// The keys as a table of text, one key a line, for --help.
std::string ReaderKeysText();
