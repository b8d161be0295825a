// Fuzz target: a whole message base from arbitrary bytes, read the way the reader reads it.
//
// Input layout: two 32-bit little-endian lengths, then that many bytes of the header file (.jhr),
// that many of the text file (.jdt), and the rest is the index file (.jdx). A length larger than
// what is left takes what is left, so every input makes three files.
//
// Each input is opened, its thread list is built as the screen builds it and as the text output
// does (both over a plan of the base read beforehand), which must give the same rows as the walk
// through the files; every listed message is read line by line at the viewer's width 76 until the
// text is done (each distinct text once), and the first few are shown in the viewer, in a display
// page the input picks, each message converted from the charset it declares. Text bytes are also
// read as a charset kludge and converted from every charset. The reader
// must end every walk and every text, keep each line within its width, and never touch memory
// outside its buffers.

#include "Lib_CharsetConverter.h"
#include "Lib_IO_STDIO_Windows.h"
#include "Lib_MsgBase_JAM.h"
#include "MemoryConsoleDevice.h"
#include "MessageViewer.h"
#include "ReaderState.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "ThreadIndex.h"
#include "ThreadListRows.h"
#include "ThreadPlan.h"
#include "ThreadRows.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <span>
#include <string>
#include <tuple>

namespace {

constexpr unsigned textWidth = 76;
constexpr int viewedMessages = 3;

std::uint32_t lengthAt(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "fuzz_base: %s\n", what);
    std::abort();
}

// Reads the current message to its end and checks that the text ends within the bytes it has.
void readWholeText(TJamMsgBase& base, std::size_t textFileSize) {
    base.RewindText();
    // Every line takes at least one byte of the kludge block or of the text, so a text cannot
    // give more lines than it has bytes, and one more for an empty last line.
    const std::size_t most = base.KludgeBlock().size() + textFileSize + 2;
    std::size_t lines = 0;
    while (!base.TextDone()) {
        ShortStr line = base.ReadTextLine(textWidth);
        if (line.Length() > textWidth + 1) broken("a line longer than its width allows");
        if (++lines > most) broken("the text never ends");
    }
}

// The whole thread list as one text, each header row before its thread's rows.
class ListText : public TThreadTextSink {
public:
    bool Accepting() const override { return true; }
    bool BeginThread() override {
        thread_.clear();
        return true;
    }
    void AddRowText(const ShortStr& row) override { (thread_ += row.View()) += '\n'; }
    void EndThreadText(const ShortStr& header) override {
        ((Text += header.View()) += '\n') += thread_;
    }

    std::string Text;

private:
    std::string thread_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One folder for the whole run, so that many runs side by side never share files.
    static const ScratchDir dir("skein-fuzz");
    if (!dir.Made() || size < 8) return 0;
    std::size_t rest = size - 8;
    const std::size_t hdrLen = std::min<std::size_t>(lengthAt(data), rest);
    rest -= hdrLen;
    const std::size_t txtLen = std::min<std::size_t>(lengthAt(data + 4), rest);
    rest -= txtLen;
    const std::uint8_t* hdr = data + 8;
    const std::uint8_t* txt = hdr + hdrLen;
    const std::uint8_t* idx = txt + txtLen;

    const std::string basePath = dir.File("base");
    if (!WriteFileBytes(basePath + ".jhr", std::span(hdr, hdrLen)) ||
        !WriteFileBytes(basePath + ".jdt", std::span(txt, txtLen)) ||
        !WriteFileBytes(basePath + ".jdx", std::span(idx, rest)))
        return 0;

    TReaderState state;
    state.MsgBase = TJamMsgBase::Create();
    if (!state.MsgBase) return 0;
    TJamMsgBase& base = *state.MsgBase;
    base.SetBasePath(basePath);
    if (base.OpenBase() != 0) {
        if (hdrLen >= 1024) broken("a base with a whole fixed header did not open");
        return 0;
    }
    if (hdrLen < 1024) broken("a base without a whole fixed header opened");
    // The charsets: the bytes of the text file as a kludge's name and as text of every charset,
    // converted into a display page the input picks; the viewer below converts each message
    // into it too.
    const auto page = std::array{CodePage::Id::Us, CodePage::Id::Arabic, CodePage::Id::Greek,
                                 CodePage::Id::Hebrew, CodePage::Id::Cyrillic}[size % 5];
    state.Page.Chosen = page;
    state.Converters = std::make_unique<TPageConverters>(page);
    const std::string_view someText(reinterpret_cast<const char*>(txt),
                                    std::min<std::size_t>(txtLen, 512));
    Charset::FromKludge(someText);
    for (int c = 0; c <= static_cast<int>(Charset::Id::Utf8); ++c) {
        const std::string shown =
            state.Converters->For(static_cast<Charset::Id>(c)).Convert(someText);
        if (shown.size() > someText.size()) broken("a converted text is longer than its bytes");
    }
    // The read marks live in memory only: the file side has a target of its own.
    state.ReadState.ReadBitmap.assign(static_cast<std::size_t>(ReadBitmapStep), 0);

    MemoryConsoleDevice device(80, 25);
    device.SetScriptEnd(ScriptEnd::Fail); // no keys: every key loop ends as with Esc
    TIO_STDIO console(device, 80, 25);
    state.Console = &console;
    ListText stepped;
    ListText planned;
    TThreadListRows screen(state.ReadState);
    // All from the same header in memory: one that cannot be read leaves the one before.
    // All in the page the input picked, so that every walk converts the same names.
    state.Page.Fixed = true;
    const TJamMsgBase::THeaderFixed before = base.HeaderFixed();
    BuildThreadIndex(base, state.ReadState, stepped, state.Converters.get());
    base.RestoreHeaderFixed(before);
    BuildWholeThreadIndex(base, state.ReadState, planned, state.Page);
    base.RestoreHeaderFixed(before);
    BuildWholeThreadIndex(base, state.ReadState, screen, state.Page);
    if (planned.Text != stepped.Text)
        broken("the planned walk's rows differ from the stepped one's");
    std::string shown;
    for (const std::string& row : RowTexts(screen)) (shown += row) += '\n';
    if (shown != planned.Text) broken("the screen's rows differ from the text output's");

    int viewed = 0;
    // A damaged base may list one message in many threads, or give many messages the same text;
    // such a text reads the same every time, so it is read once.
    std::set<std::tuple<std::uint32_t, std::uint32_t, std::string>> texts;
    for (std::int32_t row = 1; row <= screen.Count(); ++row) {
        const std::int32_t number = screen.Number(row);
        if (number <= 0) continue;
        // A row names a message the index has, whatever the headers say of themselves.
        if (number < static_cast<std::int64_t>(base.BaseMsgNum()) || number > base.LastNumber())
            broken("a row names a number the index does not cover");
        base.SeekNumber(number);
        if (!base.HasCurrent()) continue;
        base.LoadMessage();
        if (texts.emplace(base.TxtOffset(), base.TxtLen(), std::string(base.KludgeBlock())).second)
            readWholeText(base, txtLen);
        if (viewed < viewedMessages) {
            ++viewed;
            state.ThreadTotal = 1;
            state.ThreadPos = 1;
            ViewMessage(state, number);
        }
    }
    state.Console = nullptr;
    return 0;
}
