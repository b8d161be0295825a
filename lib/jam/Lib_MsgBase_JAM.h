#pragma once
// TJamMsgBase: read access to one JAM message base (.jhr headers, .jdt texts, .jdx index) by
// message number. It walks the index to the next message that is not deleted, loads a message
// header, turns the subfields into sender, recipient, subject and kludge lines, and reads the
// kludge lines and the message text as display lines wrapped at a given width.
//
// The base files are opened for reading only, shared, without locks, and are never written, so a
// base on read-only media opens as well. Failures are results: OpenBase returns a code, file
// errors while reading are kept in LastIOError(). No damaged file makes the reader read outside
// its buffers, loop without end, or mix the bytes of two messages into one header.

#include "Lib_CharsetConverter.h"
#include "Lib_Charsets.h"
#include "Lib_Dates.h"
#include "Lib_FileIO.h"
#include "Lib_MsgBase_JAM_Cache.h"
#include "Lib_MsgBase_JAM_Format.h"
#include "ShortStr.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How much of the files is held in memory at a time. The defaults are the sizes the reader is
// tuned for; tests shrink them to their minimum (every count 1, every step 0) to exercise refills.
struct TJamCacheSizes {
    std::size_t IndexRecords = 4096; // index records read in one block
    std::size_t IndexBackStep = 30;  // records read before the one wanted, so short steps back hit
    std::size_t TextBytes = 32001;   // text bytes read in one stretch
    std::size_t TextBackStep = 80;   // bytes read before the one wanted, for going back to a space
    // Index blocks held at once: the main scan keeps its own while a thread's replies, further on
    // in the index, are looked up in others.
    std::size_t IndexBlocks = 16;
    // During a scan (BeginScan): the header file is read in blocks of this many bytes (and the
    // few more that a header starting at a block's end needs), so many of them held at once.
    std::size_t HeaderBlockBytes = 128 * 1024;
    std::size_t HeaderBlocks = 16;
};

class TJamMsgBase {
public:
    // Codes of the reader's own; the system's error numbers stay well below them.
    static constexpr std::uint8_t ErrShortBaseHeader = 250; // .jhr shorter than its fixed header
    static constexpr std::uint8_t ErrNoHeader = 251; // no index record or no whole message header

    // A new base object, or none when its buffers cannot be had.
    static std::unique_ptr<TJamMsgBase> Create(const TJamCacheSizes& sizes = {});
    explicit TJamMsgBase(const TJamCacheSizes& sizes = {});
    TJamMsgBase(const TJamMsgBase&) = delete;
    TJamMsgBase& operator=(const TJamMsgBase&) = delete;

    // Directory plus base file name, without extension; kept whole.
    void SetBasePath(std::string_view path) { basePath_ = path; }
    const std::string& BasePath() const { return basePath_; }

    // Opens the three files and reads the fixed header: 0 on success, else a nonzero code (a
    // system error number or one of the Err codes above).
    std::uint8_t OpenBase();
    // After a failed OpenBase: the file that failed, the system's error number (0 for the
    // reader's own codes), and "path: reason" for the user.
    const std::string& FailedFile() const { return failedFile_; }
    int OpenError() const { return openError_ == ErrShortBaseHeader ? 0 : openError_; }
    std::string OpenFailureText() const;

    // What tells whether the base changed since it was opened: the size and modification time of
    // each of its files, as their paths name them now, and the header file's modification
    // counter. Asks the sizes and times and reads the four bytes of the counter, nothing more.
    struct TBaseStamp {
        std::int64_t Sizes[3] = {-1, -1, -1};
        std::int64_t Times[3] = {0, 0, 0};
        std::uint32_t ModCounter = 0;
        friend bool operator==(const TBaseStamp&, const TBaseStamp&) = default;
    };
    TBaseStamp Stamp();

    // The fixed header's ActiveMsgs as stored, and the number of index record 0.
    std::int32_t ActiveCount() const;
    std::uint32_t BaseMsgNum() const {
        return JamFormat::Get32(fixedHeader_.data() + JamFormat::FixedBaseMsgNum);
    }
    // The highest message number the index covers (the base's first number - 1 when it is empty).
    // Numbers beyond the signed 32-bit range are outside the base. Asked of the index file afresh
    // at each call, except during a scan.
    std::int64_t LastNumber() { return scanning_ ? scanLast_ : askLastNumber(); }

    // A scan: a run of many steps over the base (the thread walk) that takes the files as they
    // stand when it begins, so that a step costs no system call. Message headers are then read
    // through a bounded block cache, and the index file's size is asked again only when a step
    // would otherwise end the scan at the end it knows: a base that grew meanwhile (a tosser
    // appending) is read on into its new messages, and every block read before is dropped then,
    // so that the scan never mixes the old state of a header with the new one. Outside a scan
    // every header is read from the file and the size asked at each call.
    // A scan front to back (frontToBack), which never steps back nor looks elsewhere, reads
    // through one block of each cache instead of all of them.
    void BeginScan(bool frontToBack = false);
    void EndScan();
    bool Scanning() const { return scanning_; }
    // How many times the scan in progress (or the last one) found the files' sizes changed since
    // it began: 0 when it read the base as one unchanging whole.
    std::uint32_t ScanChanges() const { return scanChanges_; }
    // The number the scan stands on.
    std::int64_t CurNumber() const { return curNumber_; }

    // Stands the scan on the first message numbered n or more that is not deleted.
    void SeekNumber(std::int32_t n);
    // Stands the scan on the next message that is not deleted, or one past the last number.
    void StepNext() {
        if (!stepToNextHeld()) stepNext();
    }
    // The scan stands on a number the index covers.
    bool HasCurrent() {
        // Before a scan ends at the end it knows, the index is asked whether it has grown since.
        if (scanning_ && curNumber_ > scanLast_) refreshScan();
        return static_cast<std::int64_t>(BaseMsgNum()) <= curNumber_ && curNumber_ <= LastNumber();
    }

    // Reads the current message's header. Empties sender, recipient, subject and kludge block;
    // when nothing could be read the previous header stays.
    void LoadHeader();
    // LoadHeader, then the subfields: sender, recipient, subject and kludge lines.
    void LoadMessage();
    // LoadMessage without the kludge lines, whose block stays empty: for lists of messages,
    // which show nothing else and walk every message of the base.
    void LoadNames();
    // The names of LoadNames as views of the header in memory, valid until the next load; the
    // names kept by FromName, ToName and SubjectText are left empty. For a walk of the whole
    // base that copies each name at most once.
    struct TNameViews {
        std::string_view From, To, Subject;
        // What the message says it is written in: its first CHRS, CHARSET or CODEPAGE kludge.
        Charset::Id Charset = Charset::Id::None;
    };
    TNameViews LoadNameViews();
    // A message of a run read in one call (ReadHeldRun).
    struct THeldMessage {
        std::int64_t Number = 0;
        std::int32_t ReplyTo = 0, Reply1st = 0, ReplyNext = 0;
        TNameViews Names;
    };
    // During a scan, for a reader of the whole base: what LoadNameViews (the header and its
    // reply links, then the names) and StepNext give, handed to take(const THeldMessage&) for
    // up to most messages in a row, while each is the scan's common case: its index record read
    // last, and its whole header in the block that served last. Returns how many were given; 0
    // when the current message is not such a case, and the caller takes LoadNameViews and
    // StepNext for it. The header in memory is then the last one given; a message's names stay
    // valid until the next load. Defined in Lib_MsgBase_JAM_HeldRun.h.
    template <class Take> std::size_t ReadHeldRun(std::size_t most, Take&& take);
    // Bytes of message header the last LoadHeader read; 0 when it read none. During a scan only
    // the bytes needed are taken: the fixed part, and for LoadMessage the subfields it holds.
    std::size_t HeaderBytes() const { return headerBytes_; }
    // Result of the most recent file operation: 0 = success.
    std::uint16_t LastIOError() const { return lastIOError_; }

    // The fixed part of the header in memory, for a caller that reads ahead and then puts it
    // back as it was (a header that cannot be read leaves it standing, so it can matter).
    using THeaderFixed = std::array<unsigned char, 76>;
    THeaderFixed HeaderFixed() const;
    void RestoreHeaderFixed(const THeaderFixed& fixed);

    // Fields of the header in memory.
    std::int32_t MsgNumber() const;
    // (The reply links are asked for every message of a walk: here, so that they cost no call.)
    std::int32_t ReplyTo() const { return linkField(JamFormat::MsgReplyTo); }
    std::int32_t Reply1st() const { return linkField(JamFormat::MsgReply1st); }
    std::int32_t ReplyNext() const { return linkField(JamFormat::MsgReplyNext); }
    std::uint32_t TxtOffset() const;
    std::uint32_t TxtLen() const;
    TDateRec WrittenDate() const { return JamStampToDate(writtenStamp_); }
    const ShortStr& FromName() const { return fromName_; }
    const ShortStr& ToName() const { return toName_; }
    const ShortStr& SubjectText() const { return subject_; }
    // The charset the message loaded last says it is written in (LoadNames, LoadMessage).
    Charset::Id MessageCharset() const { return charset_; }

    // The text reader: the kludge lines first (each beginning with byte 1), then the text.
    void RewindText();
    bool TextDone() const {
        return textPos_ >= 0 && (textPos_ < textStart_ || textPos_ > textEnd_);
    }
    // The next line, at most width + 1 bytes; width is at most 254. A line longer than that is
    // broken after its last blank, or after width + 1 bytes when it has none; one of exactly
    // width + 1 bytes followed only by blanks up to its line end is whole.
    ShortStr ReadTextLine(unsigned width);
    // The line ReadTextLine gave last is the rest of a line broken by the width, not the start
    // of one: a piece of a long kludge line is no kludge line by its first byte.
    bool LineContinues() const { return lineContinues_; }
    // Whether a lone byte 0x8D is text (the letter Н of code page 866) instead of the old soft
    // line end, which is dropped; before an LF it is always dropped. Off until set.
    void SetSoftCRIsLetter(bool letter);
    // Text lines (not kludge lines) as bytes of a display page: each byte, or UTF-8 character,
    // of the text converted, after the line ends and dropped bytes are found and before the
    // lines are broken. None (the default): the bytes as stored. The converter must outlive
    // its use.
    void SetTextConverter(const TCharsetConverter* converter);
    // Adds a line to the kludge block. A line that does not fit is cut but keeps its line end;
    // one that has no room left is dropped.
    void AppendKludge(std::string_view line);
    // The byte at the read position, and the position moves on (0 when there is none).
    unsigned char NextChar() {
        // Most bytes come straight from the cached stretch of the text file.
        if (textPos_ >= textBufStart_ && textPos_ >= 0 &&
            textPos_ - textBufStart_ < static_cast<std::int64_t>(textBufCount_))
            return textBuf_[static_cast<std::size_t>(textPos_++ - textBufStart_)];
        return nextCharSlow();
    }
    // The kludge block as built: each line ends with a CR.
    std::string_view KludgeBlock() const;

private:
    std::uint32_t headerField(std::size_t offset) const;
    std::int32_t linkField(std::size_t offset) const {
        return static_cast<std::int32_t>(JamFormat::Get32(headerBuf_.data() + offset));
    }
    std::int64_t askLastNumber();
    std::int64_t refreshScan();
    void dropCaches();
    int readIndexRecord(std::int64_t number, std::uint32_t& hdrOffset) {
        // A scan asks for each record twice in a row (is it live, then its header): the second
        // time it is the record the same block gave.
        if (scanning_ && number == lastRecordNumber_) {
            hdrOffset = lastRecordOffset_;
            lastIOError_ = 0;
            return 1;
        }
        return readIndexRecordFrom(number, hdrOffset);
    }
    int readIndexRecordFrom(std::int64_t number, std::uint32_t& hdrOffset);
    // A scan's common step: the next number is within the end it knows, and its index record,
    // in the window that served last, is not deleted. False, with nothing changed, otherwise.
    bool stepToNextHeld() {
        const std::int64_t next = curNumber_ + 1;
        const auto first = static_cast<std::int64_t>(BaseMsgNum());
        if (!scanning_ || curNumber_ >= scanLast_ || next < first) return false;
        std::uint32_t hdrOffset = lastRecordOffset_;
        if (next != lastRecordNumber_) {
            const unsigned char* record =
                indexCache_.Use((next - first) * static_cast<std::int64_t>(JamFormat::IndexRecSize),
                                JamFormat::IndexRecSize);
            if (record == nullptr) return false;
            hdrOffset = JamFormat::Get32(record + 4);
        }
        if (hdrOffset == JamFormat::DeletedOffset) return false;
        curNumber_ = next;
        lastIOError_ = 0;
        lastRecordNumber_ = next;
        lastRecordOffset_ = hdrOffset;
        return true;
    }
    void stepNext();
    // Empties what a load fills: names, kludge block, error, bytes read.
    void clearLoaded() {
        lastIOError_ = 0;
        wrapFlag_ = false;
        fromName_.SetLength(0);
        toName_.SetLength(0);
        subject_.SetLength(0);
        charset_ = Charset::Id::None;
        kludgeLen_ = 0;
        headerBytes_ = 0;
    }
    // Whether a load of the current message may take its header from the block cache as it is:
    // during a scan, its index record read last and within the scan's end.
    bool currentRecordHeld() const {
        return scanning_ && curNumber_ == lastRecordNumber_ && curNumber_ <= scanLast_ &&
               curNumber_ >= static_cast<std::int64_t>(BaseMsgNum());
    }
    // The bytes a load with subfields takes of a header whose fixed part is at fixed: the fixed
    // part and as much of the subfield area as the walk reads.
    static std::size_t bytesToLoad(const unsigned char* fixed) {
        return JamFormat::MsgFixedSize +
               std::min<std::size_t>(JamFormat::Get32(fixed + JamFormat::MsgSubfieldLen),
                                     JamFormat::SubfieldAreaRead);
    }
    // During a scan, the header at offset from the block that holds it whole, not copied but for
    // its fixed part: the subfields are walked where the block holds them, before the next load
    // can refill it. The bytes the load takes, or 0 (nothing changed) when no one block holds it.
    std::size_t takeHeldHeader(std::uint32_t offset);
    // The header held at held is the one in memory: its fixed part copied, its subfields there.
    void holdHeader(const unsigned char* held) {
        std::memcpy(headerBuf_.data(), held, JamFormat::MsgFixedSize);
        subfields_ = held + JamFormat::MsgFixedSize;
    }
    // Takes the header held at held, want bytes of it, as a load leaves it.
    void keepHeldHeader(const unsigned char* held, std::size_t want);
    bool isLive(std::int64_t number);
    void readHeader(bool subfields);
    std::int64_t readHeaderBytes(std::uint32_t offset, bool subfields);
    std::int64_t copyHeaderBytes(std::uint32_t offset, bool subfields);
    void closeFiles();
    bool openPart(TFile& file, std::string_view ending);
    void walkSubfields(bool kludges);
    std::string_view subfieldArea() const;
    // Inline, in Lib_MsgBase_JAM_HeldRun.h beside the run that calls them for every message.
    [[gnu::always_inline]] inline TNameViews walkNames(std::string_view area) const;
    [[gnu::always_inline]] inline std::optional<Charset::Id>
    charsetOf(std::string_view kludge) const;
    std::optional<Charset::Id> newCharsetKludge(std::string_view kludge) const;
    void fillTextCache();
    unsigned char nextCharSlow();
    void skipDropped();
    unsigned char peekChar();
    bool droppedByte(unsigned char c);
    bool onlyBlanksToLineEnd();
    unsigned char converted(unsigned char c);

    TJamCacheSizes sizes_;
    std::string basePath_;
    TFile hdrFile_;
    TFile txtFile_;
    TFile idxFile_;
    std::string failedFile_;
    int openError_ = 0;

    std::vector<unsigned char> fixedHeader_;
    ShortStr fromName_;
    ShortStr toName_;
    ShortStr subject_;
    std::uint32_t writtenStamp_ = 0; // DateWritten of the header loaded last, broken down on demand
    std::int64_t curNumber_ = 0;

    TJamReadCache indexCache_;
    TJamReadCache headerCache_;
    std::int64_t lastRecordNumber_ = -1; // the index record read last, while the caches hold it
    std::uint32_t lastRecordOffset_ = 0;
    bool scanning_ = false;
    std::int64_t scanLast_ = 0;    // LastNumber as the scan knows it
    std::int64_t scanHdrSize_ = 0; // the header file's size as the scan knows it
    std::uint32_t scanChanges_ = 0;

    std::vector<unsigned char> headerBuf_;
    std::size_t headerLen_ = 0; // bytes of the header in memory
    // Where its subfields stand: in headerBuf_, or in the header cache's block that held the
    // whole header when it was loaded (walked before the next load).
    const unsigned char* subfields_ = nullptr;
    std::size_t headerBytes_ = 0; // bytes the last LoadHeader read
    std::uint16_t lastIOError_ = 0;

    std::unique_ptr<unsigned char[]> textBuf_; // sizes_.TextBytes of them
    std::int64_t textBufStart_ = 0;
    std::size_t textBufCount_ = 0;
    std::vector<unsigned char> kludgeBuf_;
    std::size_t kludgeLen_ = 0;
    std::int64_t textPos_ = 0;   // below 0: a byte of the kludge block; else a text file offset
    std::int64_t textStart_ = 0; // TxtOffset as of the last RewindText
    std::int64_t textEnd_ = -1;  // offset of the text's last byte
    bool wrapFlag_ = false;      // the last line was ended by the width, not by a CR
    bool lineContinues_ = false; // the last line began where the one before it was broken
    bool softCRIsLetter_ = false;
    const TCharsetConverter* converter_ = nullptr;
    Charset::Id charset_ = Charset::Id::None;
    mutable std::string lastKludge_; // the FTS kludge whose charset was asked last, and that
    mutable std::optional<Charset::Id> lastKludgeCharset_;
};
