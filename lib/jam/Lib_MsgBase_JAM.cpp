#include "Lib_MsgBase_JAM.h"

#include "Lib_MsgBase_JAM_Format.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

using namespace JamFormat;

namespace {

constexpr std::size_t kludgeBlockSize = 2001;
constexpr std::int64_t maxMsgNumber = std::numeric_limits<std::int32_t>::max();

// A failure's code for LastIOError and OpenBase: never 0, whatever the system said.
std::uint16_t errorCode(int error) {
    if (error <= 0) return TJamMsgBase::ErrNoHeader;
    return static_cast<std::uint16_t>(std::min(error, 0xFFFF));
}

TJamCacheSizes sane(TJamCacheSizes s) {
    s.IndexRecords = std::max<std::size_t>(s.IndexRecords, 1);
    s.IndexBackStep = std::min(s.IndexBackStep, s.IndexRecords - 1);
    s.TextBytes = std::max<std::size_t>(s.TextBytes, 1);
    s.TextBackStep = std::min(s.TextBackStep, s.TextBytes - 1);
    s.IndexBlocks = std::max<std::size_t>(s.IndexBlocks, 1);
    s.HeaderBlockBytes = std::max<std::size_t>(s.HeaderBlockBytes, 1);
    s.HeaderBlocks = std::max<std::size_t>(s.HeaderBlocks, 1);
    return s;
}

} // namespace

std::unique_ptr<TJamMsgBase> TJamMsgBase::Create(const TJamCacheSizes& sizes) {
    try {
        return std::make_unique<TJamMsgBase>(sizes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

TJamMsgBase::TJamMsgBase(const TJamCacheSizes& sizes)
    : sizes_(sane(sizes)), fixedHeader_(FixedHeaderSize),
      indexCache_(sizes_.IndexRecords * IndexRecSize, sizes_.IndexBlocks,
                  sizes_.IndexBackStep * IndexRecSize),
      headerCache_(sizes_.HeaderBlockBytes + HeaderReadSize, sizes_.HeaderBlocks, 0,
                   sizes_.HeaderBlockBytes),
      headerBuf_(HeaderReadSize), subfields_(headerBuf_.data() + MsgFixedSize),
      // new[] without (): a page of memory costs only once it is written, and the list screen
      // never reads a message's text.
      textBuf_(new unsigned char[sizes_.TextBytes]), kludgeBuf_(kludgeBlockSize) {}

void TJamMsgBase::closeFiles() {
    hdrFile_.Close();
    txtFile_.Close();
    idxFile_.Close();
}

// Opens one of the base's files, read-only and shared: the reader never writes a base, and must
// open one it may not write. On POSIX a file missing under its lower-case ending is looked for
// under the upper-case one, as DOS-era tools leave them (AREA.JHR); Windows finds either anyway.
// On failure the lower-case name and its error are kept.
bool TJamMsgBase::openPart(TFile& file, std::string_view ending) {
    const std::string path = basePath_ + std::string(ending);
    if (file.Open(path, FileAccess::ReadOnly)) return true;
    const int error = file.LastError();
#ifndef _WIN32
    std::string upper(ending);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (error == ENOENT && file.Open(basePath_ + upper, FileAccess::ReadOnly)) return true;
#endif
    openError_ = error;
    failedFile_ = path;
    return false;
}

std::uint8_t TJamMsgBase::OpenBase() {
    closeFiles();
    failedFile_.clear();
    openError_ = 0;

    if (openPart(hdrFile_, ".jhr")) {
        std::int64_t got = hdrFile_.ReadAt(0, fixedHeader_.data(), FixedHeaderSize);
        if (got < 0 || static_cast<std::size_t>(got) < FixedHeaderSize) {
            openError_ = got < 0 ? hdrFile_.LastError() : ErrShortBaseHeader;
            failedFile_ = hdrFile_.Path();
            std::fill(fixedHeader_.begin(), fixedHeader_.end(), 0);
        } else if (openPart(txtFile_, ".jdt")) {
            openPart(idxFile_, ".jdx");
        }
    }

    // Every cache starts empty, whatever happened.
    dropCaches();
    scanning_ = false;
    textBufStart_ = -10;
    textBufCount_ = 0;
    curNumber_ = 0;

    if (openError_ == 0) return 0;
    closeFiles();
    return static_cast<std::uint8_t>(std::min<std::uint16_t>(errorCode(openError_), 255));
}

TJamMsgBase::TBaseStamp TJamMsgBase::Stamp() {
    TBaseStamp stamp;
    const TFile* files[3] = {&hdrFile_, &txtFile_, &idxFile_};
    for (int i = 0; i < 3; ++i) {
        std::error_code error;
        const std::filesystem::path path(files[i]->Path());
        const auto size = std::filesystem::file_size(path, error);
        if (error) continue;
        stamp.Sizes[i] = static_cast<std::int64_t>(size);
        stamp.Times[i] = static_cast<std::int64_t>(
            std::filesystem::last_write_time(path, error).time_since_epoch().count());
    }
    unsigned char counter[4] = {};
    if (hdrFile_.IsOpen() && hdrFile_.ReadAt(FixedModCounter, counter, sizeof counter) == 4)
        stamp.ModCounter = Get32(counter);
    return stamp;
}

std::string TJamMsgBase::OpenFailureText() const {
    if (failedFile_.empty()) return std::string();
    if (openError_ == ErrShortBaseHeader)
        return failedFile_ + ": shorter than the 1024-byte base header";
    return failedFile_ + ": " + std::strerror(openError_);
}

std::int32_t TJamMsgBase::ActiveCount() const {
    return static_cast<std::int32_t>(Get32(fixedHeader_.data() + FixedActiveMsgs));
}

std::int64_t TJamMsgBase::askLastNumber() {
    std::int64_t size = idxFile_.IsOpen() ? idxFile_.Size() : -1;
    std::int64_t records = size > 0 ? size / static_cast<std::int64_t>(IndexRecSize) : 0;
    std::int64_t last = static_cast<std::int64_t>(BaseMsgNum()) + records - 1;
    // Message numbers are signed 32-bit: records past that range cannot be named by any caller.
    return std::min(last, maxMsgNumber);
}

void TJamMsgBase::BeginScan(bool frontToBack) {
    // The scan starts from the files as they stand now, not from blocks read before.
    dropCaches();
    const std::size_t blocks = frontToBack ? 1 : SIZE_MAX;
    indexCache_.UseWindows(blocks);
    headerCache_.UseWindows(blocks);
    scanLast_ = askLastNumber();
    scanHdrSize_ = hdrFile_.IsOpen() ? hdrFile_.Size() : -1;
    if (frontToBack) {
        headerCache_.PrepareFirstWindow(scanHdrSize_);
        indexCache_.PrepareFirstWindow((scanLast_ - std::int64_t{BaseMsgNum()} + 1) *
                                       std::int64_t{IndexRecSize});
    }
    scanChanges_ = 0;
    scanning_ = true;
}

void TJamMsgBase::EndScan() {
    // What the scan held stays with it: later calls read the files as they are then.
    scanning_ = false;
    dropCaches();
}

std::int64_t TJamMsgBase::refreshScan() {
    const std::int64_t last = askLastNumber();
    const std::int64_t hdrSize = hdrFile_.IsOpen() ? hdrFile_.Size() : -1;
    if (last != scanLast_ || hdrSize != scanHdrSize_) {
        // The base changed under the scan: nothing read before may be mixed with what it is now.
        dropCaches();
        ++scanChanges_;
    }
    scanLast_ = last;
    scanHdrSize_ = hdrSize;
    return last;
}

void TJamMsgBase::dropCaches() {
    indexCache_.Drop();
    headerCache_.Drop();
    lastRecordNumber_ = -1;
}

int TJamMsgBase::readIndexRecordFrom(std::int64_t number, std::uint32_t& hdrOffset) {
    const std::int64_t i = number - static_cast<std::int64_t>(BaseMsgNum());
    if (i < 0) return 0;
    // Most records stand in a block already: read where they stand, not copied out first.
    const std::int64_t at = i * static_cast<std::int64_t>(IndexRecSize);
    if (const unsigned char* held = indexCache_.Use(at, IndexRecSize)) {
        lastIOError_ = 0;
        hdrOffset = Get32(held + 4);
        lastRecordNumber_ = number;
        lastRecordOffset_ = hdrOffset;
        return 1;
    }
    unsigned char record[IndexRecSize];
    const std::int64_t got = indexCache_.Read(idxFile_, at, record, IndexRecSize);
    if (got < 0) {
        lastIOError_ = errorCode(idxFile_.LastError());
        return -1;
    }
    lastIOError_ = 0;
    if (got < static_cast<std::int64_t>(IndexRecSize)) return 0;
    hdrOffset = Get32(record + 4);
    lastRecordNumber_ = number;
    lastRecordOffset_ = hdrOffset;
    return 1;
}

bool TJamMsgBase::isLive(std::int64_t number) {
    std::uint32_t hdrOffset = 0;
    // A record that could not be read is passed over like a deleted one.
    return readIndexRecord(number, hdrOffset) > 0 && hdrOffset != DeletedOffset;
}

void TJamMsgBase::SeekNumber(std::int32_t n) {
    curNumber_ = std::max<std::int64_t>(static_cast<std::int64_t>(n) - 1,
                                        static_cast<std::int64_t>(BaseMsgNum()) - 1);
    StepNext();
}

void TJamMsgBase::stepNext() {
    std::int64_t last = LastNumber();
    // A scan asks the index afresh before it takes a number beyond the end it knows for the end.
    if (scanning_ && curNumber_ > last) last = refreshScan();
    if (curNumber_ <= last) ++curNumber_;
    // Numbers below the base's first one have no index record.
    curNumber_ = std::max(curNumber_, static_cast<std::int64_t>(BaseMsgNum()));
    for (;;) {
        while (curNumber_ <= last && !isLive(curNumber_)) ++curNumber_;
        if (!scanning_ || curNumber_ <= last) return;
        const std::int64_t now = refreshScan();
        if (now <= last) return;
        last = now;
    }
}

void TJamMsgBase::LoadHeader() {
    readHeader(false);
}

void TJamMsgBase::keepHeldHeader(const unsigned char* held, std::size_t want) {
    // As readHeader leaves a header read whole.
    clearLoaded();
    holdHeader(held);
    headerLen_ = want;
    headerBytes_ = want;
    writtenStamp_ = headerField(MsgDateWritten);
}

std::size_t TJamMsgBase::takeHeldHeader(std::uint32_t offset) {
    const unsigned char* held = headerCache_.Use(offset, MsgFixedSize);
    if (held == nullptr) return 0;
    const std::size_t want = bytesToLoad(held);
    if (!headerCache_.LastHolds(offset, want)) return 0;
    holdHeader(held);
    return want;
}

void TJamMsgBase::readHeader(bool subfields) {
    clearLoaded();
    if (!HasCurrent()) return;

    std::uint32_t hdrOffset = 0;
    const int found = readIndexRecord(curNumber_, hdrOffset);
    if (found < 0) return;
    if (found == 0) {
        lastIOError_ = ErrNoHeader;
        return;
    }
    const std::int64_t got = readHeaderBytes(hdrOffset, subfields);
    if (got < 0 || static_cast<std::size_t>(got) < MsgFixedSize) {
        // A failed read, or no whole header there (an offset at or near the end of the file).
        lastIOError_ = got < 0 ? errorCode(hdrFile_.LastError()) : ErrNoHeader;
    } else {
        headerLen_ = static_cast<std::size_t>(got);
        headerBytes_ = headerLen_;
    }
    writtenStamp_ = headerField(MsgDateWritten);
}

std::int64_t TJamMsgBase::readHeaderBytes(std::uint32_t offset, bool subfields) {
    if (scanning_ && subfields)
        if (const std::size_t got = takeHeldHeader(offset)) return static_cast<std::int64_t>(got);
    // The fixed part in memory is put back when no whole header comes, so the header fields never
    // mix two messages' bytes.
    unsigned char previous[MsgFixedSize];
    std::memcpy(previous, headerBuf_.data(), MsgFixedSize);
    const std::int64_t got = copyHeaderBytes(offset, subfields);
    if (got < static_cast<std::int64_t>(MsgFixedSize))
        std::memcpy(headerBuf_.data(), previous, MsgFixedSize);
    return got;
}

std::int64_t TJamMsgBase::copyHeaderBytes(std::uint32_t offset, bool subfields) {
    subfields_ = headerBuf_.data() + MsgFixedSize;
    if (!scanning_) return hdrFile_.ReadAt(offset, headerBuf_.data(), headerBuf_.size());
    // During a scan a header is copied from the block cache, and only as far as it is needed:
    // the fixed part, then (for the subfield walk) the part of the subfield area it reads. The
    // second copy takes the fixed part again, so that the whole header comes from one read.
    const std::int64_t fixed = headerCache_.Read(hdrFile_, offset, headerBuf_.data(), MsgFixedSize);
    if (!subfields || fixed < static_cast<std::int64_t>(MsgFixedSize)) return fixed;
    const std::size_t want = bytesToLoad(headerBuf_.data());
    if (want == MsgFixedSize) return fixed;
    return headerCache_.Read(hdrFile_, offset, headerBuf_.data(), want);
}

TJamMsgBase::THeaderFixed TJamMsgBase::HeaderFixed() const {
    static_assert(std::tuple_size_v<THeaderFixed> == MsgFixedSize);
    THeaderFixed fixed;
    std::memcpy(fixed.data(), headerBuf_.data(), MsgFixedSize);
    return fixed;
}

void TJamMsgBase::RestoreHeaderFixed(const THeaderFixed& fixed) {
    std::memcpy(headerBuf_.data(), fixed.data(), MsgFixedSize);
    writtenStamp_ = headerField(MsgDateWritten);
}

std::uint32_t TJamMsgBase::headerField(std::size_t offset) const {
    return Get32(headerBuf_.data() + offset);
}

std::int32_t TJamMsgBase::MsgNumber() const {
    return static_cast<std::int32_t>(headerField(MsgMsgNum));
}

std::uint32_t TJamMsgBase::TxtOffset() const {
    return headerField(MsgTxtOffset);
}

std::uint32_t TJamMsgBase::TxtLen() const {
    return headerField(MsgTxtLen);
}
