#pragma once
// A scrolling list of text rows in a framed window: selection bar, scroll marker on the right
// edge, optional marking of rows, incremental search by typing, and exit keys. Open draws the
// window and runs the key loop until an exit key (or the idle hook) ends it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "Lib_IO_Base.h"
#include "Lib_Menu_Box.h"
#include "ShortStr.h"

// One row. A row whose text begins with character 2 is a separator: it is shown, but the
// selection never rests on it.
struct TListBoxItem {
    ShortStr Name;
    std::uint8_t Tag = 0; // 0 plain, 1 marked, 2 cannot be marked
};

// What a list box shows: rows numbered from 1, each a text and a tag. The list box's own rows
// (TListBoxItems) are one kind; a caller with many rows gives its own, which makes a row's text
// only when the row is drawn or searched.
class TListRows {
public:
    virtual ~TListRows() = default;
    virtual std::int32_t Count() const = 0;
    // The text of row i, 1 <= i <= Count().
    virtual ShortStr Text(std::int32_t i) const = 0;
    virtual std::uint8_t Tag(std::int32_t) const { return 0; }
    // Rows that cannot be marked ignore this.
    virtual void SetTag(std::int32_t, std::uint8_t) {}
    // A separator's text begins with character 2.
    virtual bool IsSeparator(std::int32_t i) const;
    // Whether row i's text contains upperNeedle (in upper case), comparing it upper-cased by
    // upper (the upper case of each byte).
    virtual bool Contains(std::int32_t i, std::string_view upperNeedle,
                          const std::uint8_t* upper) const;
};

// Whether text contains upperNeedle (already upper-cased), comparing text upper-cased by upper,
// the upper case of each byte; every other byte must match as it is. An empty needle is found
// nowhere.
bool ContainsUpper(std::string_view text, std::string_view upperNeedle, const std::uint8_t* upper);

// The case of each byte for the 26 ASCII letters only (every other byte itself): the list box's
// own, 256 bytes each.
const std::uint8_t* AsciiUpperCase();
const std::uint8_t* AsciiLowerCase();

// The rows of a list box, numbered from 1. Rows are kept in one growing block, so adding a row
// allocates nothing most of the time; a reference to a row stays good until the next Add.
class TListBoxItems : public TListRows {
public:
    // Row i, 1 <= i <= Count(); the caller keeps i in range.
    TListBoxItem& operator[](std::int32_t i) { return items_[static_cast<std::size_t>(i - 1)]; }
    const TListBoxItem& operator[](std::int32_t i) const {
        return items_[static_cast<std::size_t>(i - 1)];
    }
    // Row i, or nullptr when there is no such row.
    TListBoxItem* Find(std::int32_t i);
    const TListBoxItem* Find(std::int32_t i) const;
    std::int32_t Count() const override { return static_cast<std::int32_t>(items_.size()); }
    ShortStr Text(std::int32_t i) const override { return (*this)[i].Name; }
    std::uint8_t Tag(std::int32_t i) const override { return (*this)[i].Tag; }
    void SetTag(std::int32_t i, std::uint8_t tag) override { (*this)[i].Tag = tag; }
    bool IsSeparator(std::int32_t i) const override;
    bool Contains(std::int32_t i, std::string_view upperNeedle,
                  const std::uint8_t* upper) const override;

private:
    friend class TListBox;
    std::vector<TListBoxItem> items_;
};

class TListBox {
public:
    static constexpr std::int32_t MaxItems = 10000;
    static constexpr char SeparatorMark = 2;

    // Hooks; one left empty is not called.
    // At the start of every pass of the key loop, with the selected row and its text (empty
    // when the list is empty).
    using UpdateHook = std::function<void(std::int32_t picked, const ShortStr& text)>;
    // Shows the search text, or erases the display when the text is empty.
    using SearchHook = std::function<void(TListBox& list, const ShortStr& text)>;
    // Draws a row instead of the built-in drawing; a blank row past the end has tag 0 and an
    // empty text.
    using DrawRowHook = std::function<void(int x, int y, int width, std::uint8_t tag,
                                           const ShortStr& text, bool selected)>;
    // Polled while waiting for a key; returning true ends Open with the key it filled in.
    using IdleHook = std::function<bool(std::uint8_t& key)>;
    // Milliseconds for the idle interval.
    using TickHook = std::function<std::uint64_t()>;

    explicit TListBox(TIOBase& console); // Create: the defaults below; draws nothing
    ~TListBox() = default;               // Destroy: frees the rows and the frame
    TListBox(const TListBox&) = delete;
    TListBox& operator=(const TListBox&) = delete;

    // Appends a row to the list box's own rows; past MaxItems rows it is dropped. A tag of 1
    // counts in Marked.
    void Add(const ShortStr& text, std::uint8_t tag);
    // Frees every row of its own; Picked and TopPage are left as they are.
    void Clear();
    // Shows rows instead of the list box's own (which stay as they are), however many there are;
    // nullptr goes back to its own. The caller keeps rows alive while they are shown, and calls
    // this again when their count changes. ListMax follows.
    void ShowRows(TListRows* rows);
    // The rows shown: its own (List) unless ShowRows gave others.
    const TListRows& Rows() const { return *rows_; }

    // Draws the window and runs the key loop until an exit key ends it. The coordinates
    // include the frame. The window stays drawn on return.
    void Open(std::uint8_t x1, std::uint8_t y1, std::uint8_t x2, std::uint8_t y2);
    // Puts back the screen that was there before the first Open (unless NoWindow).
    void Close();

    // Draws row index (a blank row past the last one) at column x, row y.
    void DrawRow(int x, int y, bool selected, std::int32_t index);
    // Redraws every visible row and the scroll marker.
    void DrawPage();
    // Moves the scroll marker to Picked out of ListMax; draws only when its row changes.
    void UpdateBar();

    // One selectable row up or down, scrolling by one row when the selection would leave the
    // window; nothing when there is no selectable row that way.
    void MoveSelection(bool up, bool redraw);
    // Walks the selection to row index without drawing, scrolling just far enough.
    void SetPicked(std::int32_t index);
    // The nearest selectable row above or below Picked, or -1.
    std::int32_t NextSelectable(bool up) const;
    // The default search display, on the frame's bottom edge.
    static void ShowSearch(TListBox& list, const ShortStr& text);
    // The next Open shows text where the search text stands, until the next key (a short word
    // from the caller: "no unread message").
    void ShowNotice(const ShortStr& text) { notice_ = text; }

    bool IsSeparator(std::int32_t index) const;
    bool IsSelectable(std::int32_t index) const;

    TIOBase& Console;
    TListBoxItems List;
    std::unique_ptr<TMenuBox> Box;
    std::uint8_t HiAttr = 0x1F;
    std::uint8_t LoAttr = 0x71;
    std::uint8_t RowAlign = 0; // 0 padded on the right, 1 on the left, 2 centred
    ShortStr ExitKeys;         // ordinary keys that end Open; Enter and Esc
    ShortStr ExitExtKeys;      // extended key codes that end Open
    std::uint8_t ExitCode = 0;
    std::int32_t Picked = 1;
    std::int32_t TopPage = 1;
    bool NoWindow = false;
    std::int32_t ListMax = 0; // number of rows, kept by Add and Clear
    bool AllowTag = false;
    char TagChar = '*';
    char TagKey = 9;
    std::uint8_t TagPos = 0;
    std::uint8_t TagAttr = 0x7F;
    std::uint16_t Marked = 0;
    UpdateHook OnUpdate;
    SearchHook OnSearch;
    DrawRowHook OnDrawRow;
    IdleHook OnIdle;
    std::int32_t WinWidth = 0;
    std::int32_t WinSize = 0;
    std::uint8_t WinX = 0;
    std::uint8_t WinY = 0;
    bool NoInput = false;
    std::uint8_t SearchX = 0;
    std::uint8_t SearchY = 0;
    std::uint8_t SearchAttr = 0;
    ShortStr SearchStr;
    TPercentBar Percent;
    std::uint8_t CloseX = 0;
    std::uint8_t CloseY = 0;
    std::uint8_t CloseAttr = 0x71;
    bool NoRedraw = false;
    std::uint16_t IdleTime = 1000;
    std::uint64_t LastIdle = 0;
    bool ExitExtended = false;
    // The clock of the idle interval; the system's millisecond tick count unless replaced.
    TickHook TickSource;
    // The case of each byte, for the search's comparing (upper) and its display (lower): the 26
    // ASCII letters unless the caller gives the letters of its code page.
    const std::uint8_t* UpperCase = AsciiUpperCase();
    const std::uint8_t* LowerCase = AsciiLowerCase();

private:
    void prepareWindow(std::uint8_t x1, std::uint8_t y1, std::uint8_t x2, std::uint8_t y2);
    void runKeyLoop();
    // Gets the next key, polling OnIdle while waiting; false when OnIdle ended Open.
    bool waitKey(std::uint8_t& key);
    // Acts on an extended key; true when it ended Open.
    bool handleExtended(std::uint8_t code);
    void pageUp();
    void pageDown();
    // Looks for SearchStr and moves there. A typed key tests the selected row first (it may
    // still match the longer text); searching again (Ctrl-A) starts after it.
    void searchStep(bool fromSelected);
    // Shows the window's change after the selection moved from oldPicked/oldTop.
    void redrawMove(std::int32_t oldPicked, std::int32_t oldTop);
    void callSearch(const ShortStr& text);
    // Empties the search text and erases the display, when either holds something.
    void eraseSearch();
    std::uint64_t now() const;

    TListRows* rows_ = &List;
    bool keepSearch_ = false;
    bool searchShown_ = false; // the search display holds a text
    ShortStr notice_;
};
