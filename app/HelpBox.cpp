#include "HelpBox.h"

#include "Lib_Menu_Box.h"
#include "MessageViewer.h"
#include "PcKeys.h"

#include <string_view>
#include <vector>

void ShowHelpBox(TIOBase& console, ReaderScreen screen) {
    std::vector<std::string_view> lines;
    const std::string text = ReaderKeysText(screen);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(std::string_view(text).substr(at, end - at));
        at = end + 1;
    }
    TMenuBox box(console);
    ApplyStyle(&box, nullptr);
    box.Header =
        screen == ReaderScreen::List ? " Keys of the thread list " : " Keys of the viewer ";
    const auto height = static_cast<std::uint8_t>(lines.size() + 2);
    const std::uint8_t top = static_cast<std::uint8_t>((25 - height) / 2 + 1);
    box.Open(1, top, 80, static_cast<std::uint8_t>(top + height - 1));
    for (std::size_t i = 0; i < lines.size(); ++i)
        console.WriteAt(3, top + 1 + static_cast<int>(i), 7, lines[i]);
    // Any key closes the box; an extended key's code is taken with it.
    if (console.ReadKey() == PcKey::Extended) console.ReadKey();
    box.Close();
}
