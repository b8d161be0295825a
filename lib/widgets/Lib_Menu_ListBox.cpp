#include "Lib_Menu_ListBox.h"

#include <algorithm>
#include <array>
#include <string>

#include "Lib_Clock.h"
#include "Lib_Strings.h"
#include "PcKeys.h"

namespace {

constexpr std::array<std::uint8_t, 256> asciiCase(bool upper) {
    std::array<std::uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const bool lower = b >= 'a' && b <= 'z';
        const bool capital = b >= 'A' && b <= 'Z';
        table[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(upper && lower      ? b - 32
                                                                       : !upper && capital ? b + 32
                                                                                           : b);
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> asciiUpper = asciiCase(true);
constexpr std::array<std::uint8_t, 256> asciiLower = asciiCase(false);

char caseOf(char c, const std::uint8_t* table) {
    return static_cast<char>(table[static_cast<std::uint8_t>(c)]);
}

// A row text fitted to width columns: cut when longer, otherwise padded as align asks.
ShortStr fitRow(const ShortStr& text, int width, std::uint8_t align) {
    switch (align) {
    case 0:
        return AlignLeft(text, width, ' ');
    case 1:
        return AlignRight(text, width, ' ');
    case 2:
        return AlignCenter(text, width, ' ', true);
    default:
        return text;
    }
}

bool hasByte(const ShortStr& set, std::uint8_t b) {
    return set.View().find(static_cast<char>(b)) != std::string_view::npos;
}

// A row whose text begins with the separator mark is a separator line, never selected.
bool isSeparatorText(const ShortStr& text) {
    return !text.Empty() && text[0] == TListBox::SeparatorMark;
}

} // namespace

const std::uint8_t* AsciiUpperCase() {
    return asciiUpper.data();
}

const std::uint8_t* AsciiLowerCase() {
    return asciiLower.data();
}

bool ContainsUpper(std::string_view text, std::string_view upperNeedle, const std::uint8_t* upper) {
    if (upperNeedle.empty() || upperNeedle.size() > text.size()) return false;
    const std::size_t last = text.size() - upperNeedle.size();
    const char first = upperNeedle[0];
    for (std::size_t start = 0; start <= last; ++start) {
        if (caseOf(text[start], upper) != first) continue;
        std::size_t i = 1;
        while (i < upperNeedle.size() && caseOf(text[start + i], upper) == upperNeedle[i]) ++i;
        if (i == upperNeedle.size()) return true;
    }
    return false;
}

bool TListRows::IsSeparator(std::int32_t i) const {
    return isSeparatorText(Text(i));
}

bool TListRows::Contains(std::int32_t i, std::string_view upperNeedle,
                         const std::uint8_t* upper) const {
    return ContainsUpper(Text(i).View(), upperNeedle, upper);
}

bool TListBoxItems::IsSeparator(std::int32_t i) const {
    return isSeparatorText((*this)[i].Name);
}

bool TListBoxItems::Contains(std::int32_t i, std::string_view upperNeedle,
                             const std::uint8_t* upper) const {
    return ContainsUpper((*this)[i].Name.View(), upperNeedle, upper);
}

TListBoxItem* TListBoxItems::Find(std::int32_t i) {
    return (i >= 1 && i <= Count()) ? &items_[static_cast<std::size_t>(i - 1)] : nullptr;
}

const TListBoxItem* TListBoxItems::Find(std::int32_t i) const {
    return (i >= 1 && i <= Count()) ? &items_[static_cast<std::size_t>(i - 1)] : nullptr;
}

TListBox::TListBox(TIOBase& console)
    : Console(console), Box(std::make_unique<TMenuBox>(console)), OnSearch(&TListBox::ShowSearch),
      TickSource(&TickMillis) {
    const char enterAndEsc[] = {static_cast<char>(PcKey::Enter), static_cast<char>(PcKey::Esc)};
    ExitKeys.Assign(std::string_view(enterAndEsc, sizeof enterAndEsc));
    Percent = TPercentBar();
    Percent.BarLen = 0; // filled in by Open from the window height
    Percent.Mode = 2;
    Percent.Kind = 1;
    Percent.TrackChar = 0xB0;
    Percent.MarkChar = 0xB2;
    LastIdle = now();
}

std::uint64_t TListBox::now() const {
    return TickSource ? TickSource() : TickMillis();
}

void TListBox::Add(const ShortStr& text, std::uint8_t tag) {
    auto& items = List.items_;
    if (List.Count() >= MaxItems) return;
    if (items.size() == items.capacity())
        items.reserve(std::min<std::size_t>(MaxItems, std::max<std::size_t>(64, items.size() * 2)));
    items.push_back(TListBoxItem{text, tag});
    if (rows_ == &List) ListMax = List.Count();
    if (tag == 1) ++Marked;
}

void TListBox::Clear() {
    List.items_.clear();
    List.items_.shrink_to_fit();
    if (rows_ == &List) ListMax = 0;
    Marked = 0;
}

void TListBox::ShowRows(TListRows* rows) {
    rows_ = rows != nullptr ? rows : &List;
    ListMax = rows_->Count();
}

bool TListBox::IsSeparator(std::int32_t index) const {
    return index >= 1 && index <= ListMax && rows_->IsSeparator(index);
}

bool TListBox::IsSelectable(std::int32_t index) const {
    return index >= 1 && index <= ListMax && !rows_->IsSeparator(index);
}

// ---- Drawing ----

void TListBox::Close() {
    if (!NoWindow) Box->Close();
}

void TListBox::DrawRow(int x, int y, bool selected, std::int32_t index) {
    const bool present = index >= 1 && index <= ListMax;
    const ShortStr text = present ? rows_->Text(index) : ShortStr();
    const std::uint8_t tag = present ? rows_->Tag(index) : 0;
    if (OnDrawRow) {
        OnDrawRow(x, y, WinWidth, tag, text, selected);
        return;
    }
    const std::uint8_t attr = selected ? HiAttr : LoAttr;
    if (present) {
        ShortStr padded(" ");
        padded += text;
        padded += ' ';
        Console.WriteAt(x, y, attr, fitRow(padded, WinWidth, RowAlign).View());
    } else {
        Console.WriteAt(x, y, attr, RepeatChar(' ', WinWidth));
    }
    if (AllowTag) {
        const char mark = (present && tag == 1) ? TagChar : ' ';
        Console.WriteAt(TagPos, y, TagAttr, std::string_view(&mark, 1));
    }
}

void TListBox::DrawPage() {
    for (std::int32_t i = 0; i < WinSize; ++i)
        DrawRow(WinX + 1, WinY + 1 + i, TopPage + i == Picked, TopPage + i);
    UpdateBar();
}

void TListBox::UpdateBar() {
    Console.DrawPercentBar(Percent, Picked, ListMax);
}

void TListBox::redrawMove(std::int32_t oldPicked, std::int32_t oldTop) {
    if (TopPage != oldTop) {
        DrawPage();
    } else if (Picked != oldPicked) {
        DrawRow(WinX + 1, WinY + oldPicked - TopPage + 1, false, oldPicked);
        DrawRow(WinX + 1, WinY + Picked - TopPage + 1, true, Picked);
        UpdateBar();
    }
}

void TListBox::ShowSearch(TListBox& list, const ShortStr& text) {
    const TMenuBox& box = *list.Box;
    const char edge = box.Frame()[FramePart::Bottom];
    // The display covers 17 cells of the bottom edge; in a box too narrow for that it stops
    // before the bottom-right corner instead of running over the frame and the screen beside it.
    int width = 17;
    if (!list.NoWindow && box.WasOpened && list.SearchY == box.Y2 && list.SearchX < box.X2)
        width = std::min(width, box.X2 - list.SearchX);
    const auto keep = static_cast<std::size_t>(std::max(0, width - 2));
    std::string_view tail = text.View();
    if (tail.size() > keep) tail.remove_prefix(tail.size() - keep);

    // The text first, then the edge only where the text does not stand: the same picture as
    // erasing the whole display and writing the text over it, in fewer cells.
    std::size_t used = 0;
    if (!tail.empty()) {
        ShortStr lower(tail);
        for (std::size_t i = 0; i < lower.Length(); ++i)
            lower[i] = caseOf(lower[i], list.LowerCase);
        const ShortStr shown = ShortStr(" ") + lower + ' ';
        list.Console.WriteAt(list.SearchX, list.SearchY, list.SearchAttr, shown.View());
        used = shown.Length();
    }
    const auto total = static_cast<std::size_t>(std::max(0, width));
    if (used < total)
        list.Console.WriteAt(list.SearchX + static_cast<int>(used), list.SearchY, box.BoxAttr4,
                             RepeatChar(edge, static_cast<int>(total - used)));
}

void TListBox::eraseSearch() {
    if (SearchStr.Empty() && !searchShown_) return;
    SearchStr = ShortStr();
    callSearch(SearchStr);
}

void TListBox::callSearch(const ShortStr& text) {
    searchShown_ = !text.Empty();
    if (OnSearch) OnSearch(*this, text);
}

// ---- Opening ----

void TListBox::prepareWindow(std::uint8_t x1, std::uint8_t y1, std::uint8_t x2, std::uint8_t y2) {
    ExitExtended = false;
    if (!NoWindow) Box->Open(x1, y1, x2, y2);
    if (CloseX != 0) Console.WriteAt(CloseX, CloseY, CloseAttr, " X ");

    if (SearchX == 0) SearchX = static_cast<std::uint8_t>(x1 + 2);
    if (SearchY == 0) SearchY = y2;
    if (SearchAttr == 0) SearchAttr = Box->BoxAttr4;

    WinX = x1;
    WinY = y1;
    WinWidth = std::max(0, x2 - x1 - 1);
    WinSize = std::max(0, y2 - y1 - 1);
    TagPos = static_cast<std::uint8_t>(x1 + 1);

    if (Picked > ListMax) Picked = ListMax;
    SetPicked(Picked);

    if (Percent.TrackAttr == 0) Percent.TrackAttr = Box->BoxAttr2;
    if (Percent.MarkAttr == 0) Percent.MarkAttr = Box->BoxAttr2;
    if (Percent.BarLen == 0) Percent.BarLen = static_cast<std::uint8_t>(WinSize);
    if (Percent.BarX == 0) Percent.BarX = static_cast<std::uint8_t>(x1 + WinWidth + 1);
    if (Percent.BarY == 0) Percent.BarY = static_cast<std::uint8_t>(y1 + 1);
    Percent.LastMark = 0;

    if (!NoRedraw && (Percent.Mode == 1 || Percent.Mode == 2) && Percent.Kind == 1) {
        const std::string_view track(reinterpret_cast<const char*>(&Percent.TrackChar), 1);
        for (int k = 0; k < Percent.BarLen; ++k)
            Console.WriteAt(Percent.BarX, Percent.BarY + k, Percent.TrackAttr, track);
    }
}

void TListBox::Open(std::uint8_t x1, std::uint8_t y1, std::uint8_t x2, std::uint8_t y2) {
    prepareWindow(x1, y1, x2, y2);
    if (NoInput) return;
    if (!NoRedraw) DrawPage();
    runKeyLoop();
}

// ---- Moving the selection ----

std::int32_t TListBox::NextSelectable(bool up) const {
    std::int32_t i = Picked;
    for (;;) {
        if (up) {
            if (i <= 1) return -1;
            --i;
        } else {
            if (i >= ListMax) return -1;
            ++i;
        }
        if (IsSelectable(i)) return i;
    }
}

void TListBox::MoveSelection(bool up, bool redraw) {
    // An empty list has nothing to move to; without this a window scrolled before the rows
    // were cleared would walk into rows that no longer exist.
    if (ListMax == 0) return;
    if (up ? Picked <= 1 : Picked >= ListMax) return;
    const bool atEdge = up ? TopPage == 1 : TopPage + WinSize - 1 >= ListMax;
    if (atEdge && NextSelectable(up) == -1) return;

    const std::int32_t oldPicked = Picked;
    const std::int32_t oldTop = TopPage;
    do {
        if (up) {
            if (Picked > TopPage) {
                --Picked;
            } else {
                --Picked;
                --TopPage;
            }
        } else {
            if (Picked < TopPage + WinSize - 1) {
                ++Picked;
            } else {
                ++Picked;
                ++TopPage;
            }
        }
    } while (IsSeparator(Picked) && Picked < ListMax && Picked != 1);

    if (redraw) redrawMove(oldPicked, oldTop);
}

void TListBox::SetPicked(std::int32_t index) {
    bool up;
    if (Picked < TopPage || Picked > TopPage + WinSize - 1) {
        TopPage = 1;
        Picked = 1;
        up = false;
    } else {
        up = index < Picked;
    }
    if (index == Picked && Picked <= ListMax) return;
    for (;;) {
        const std::int32_t next = NextSelectable(up);
        MoveSelection(up, false);
        if (next == -1 || Picked == index) return;
    }
}

// ---- The key loop ----

void TListBox::runKeyLoop() {
    keepSearch_ = false;
    SearchStr = ShortStr();
    if (!notice_.Empty()) {
        callSearch(notice_);
        notice_ = ShortStr();
        keepSearch_ = true;
    } else if (!NoRedraw) {
        callSearch(SearchStr);
    }
    NoRedraw = false;

    for (;;) {
        // The search text (or a notice) lives only while search keys follow one another.
        if (keepSearch_) {
            keepSearch_ = false;
        } else {
            eraseSearch();
        }
        if (ListMax > 0 && IsSeparator(Picked)) {
            MoveSelection(false, true);
            if (IsSeparator(Picked)) MoveSelection(true, true);
        }
        if (OnUpdate)
            OnUpdate(Picked, Picked >= 1 && Picked <= ListMax ? rows_->Text(Picked) : ShortStr());

        std::uint8_t key = 0;
        if (!waitKey(key)) return;

        if (key == PcKey::Extended) {
            if (handleExtended(Console.ReadKey())) return;
            continue;
        }
        const bool onRow = Picked >= 1 && Picked <= ListMax;
        if (AllowTag && key == static_cast<std::uint8_t>(TagKey) && onRow &&
            rows_->Tag(Picked) != 2) {
            if (rows_->Tag(Picked) == 1) {
                rows_->SetTag(Picked, 0);
                // A caller may have set the tag on the row itself, past the count.
                if (Marked > 0) --Marked;
            } else {
                rows_->SetTag(Picked, 1);
                ++Marked;
            }
            const std::int32_t tagged = Picked;
            MoveSelection(false, true);
            // On the last row the selection cannot move on; the row is drawn here instead so
            // that its new mark shows.
            if (Picked == tagged) DrawRow(WinX + 1, WinY + Picked - TopPage + 1, true, Picked);
        } else if (hasByte(ExitKeys, key)) {
            eraseSearch();
            ExitCode = key;
            return;
        } else if (key == PcKey::CtrlA) {
            searchStep(false);
        } else if (key == PcKey::Backspace) {
            if (!SearchStr.Empty()) {
                SearchStr.SetLength(SearchStr.Length() - 1);
                searchStep(true);
            }
        } else if (key >= PcKey::FirstPrintable) {
            SearchStr += caseOf(static_cast<char>(key), UpperCase);
            searchStep(true);
        }
    }
}

bool TListBox::waitKey(std::uint8_t& key) {
    if (!OnIdle) {
        key = Console.ReadKey();
        return true;
    }
    for (;;) {
        // The tick count may wrap; the difference of its low 32 bits is still the time passed.
        const auto elapsed = static_cast<std::uint32_t>(now() - LastIdle);
        if (elapsed > IdleTime) {
            std::uint8_t idleKey = 0;
            if (OnIdle(idleKey)) {
                ExitCode = idleKey;
                return false;
            }
            LastIdle = now();
        } else if (Console.KeyWait(IdleTime)) {
            key = Console.ReadKey();
            return true;
        }
    }
}

bool TListBox::handleExtended(std::uint8_t code) {
    if (hasByte(ExitExtKeys, code)) {
        eraseSearch();
        ExitCode = code;
        ExitExtended = true;
        return true;
    }
    switch (code) {
    case PcKey::Home:
        if (NextSelectable(true) != -1) {
            Picked = 1;
            TopPage = 1;
            DrawPage();
        }
        break;
    case PcKey::Up:
        MoveSelection(true, true);
        break;
    case PcKey::PgUp:
    case PcKey::Left:
        pageUp();
        break;
    case PcKey::Right:
    case PcKey::PgDn:
        pageDown();
        break;
    case PcKey::End:
        if (NextSelectable(false) != -1) {
            if (ListMax > WinSize) TopPage = ListMax - WinSize + 1;
            Picked = ListMax;
            DrawPage();
        }
        break;
    case PcKey::Down:
        MoveSelection(false, true);
        break;
    default:
        break;
    }
    return false;
}

void TListBox::pageUp() {
    if (NextSelectable(true) == -1) return;
    Picked = Picked - WinSize > 1 ? Picked - WinSize : 1;
    TopPage = TopPage - WinSize >= 1 ? TopPage - WinSize : 1;
    DrawPage();
}

void TListBox::pageDown() {
    if (NextSelectable(false) == -1) return;
    if (ListMax > WinSize) {
        Picked = std::min(Picked + WinSize, ListMax);
        TopPage += WinSize;
        if (TopPage + WinSize > ListMax) TopPage = ListMax - WinSize + 1;
    } else {
        Picked = ListMax;
    }
    DrawPage();
}

void TListBox::searchStep(bool fromSelected) {
    const std::int32_t oldTop = TopPage;
    const std::int32_t oldPicked = Picked;
    keepSearch_ = true;
    callSearch(SearchStr);

    // The rows after the selection, then from the top round to just before it; a typed key
    // tries the selected row itself first, so that a word being typed stays on its first match.
    std::int32_t found = 0;
    const std::string_view needle = SearchStr.View();
    if (needle.empty() || ListMax == 0) return;
    const std::int32_t first = fromSelected && Picked >= 1 && Picked <= ListMax ? 0 : 1;
    for (std::int32_t n = first; n < ListMax && found == 0; ++n) {
        std::int32_t i = Picked + n;
        if (i > ListMax) i -= ListMax;
        if (i >= 1 && rows_->Contains(i, needle, UpperCase)) found = i;
    }
    if (found == 0 || found == Picked) return;

    while (Picked != found) {
        if (found > Picked) {
            if (Picked >= ListMax) break;
            ++Picked;
            if (Picked > TopPage + WinSize - 1) ++TopPage;
        } else {
            if (Picked <= 1) break;
            --Picked;
            if (Picked < TopPage) --TopPage;
        }
    }
    redrawMove(oldPicked, oldTop);
}
