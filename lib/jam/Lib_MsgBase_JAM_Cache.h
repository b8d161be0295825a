#pragma once
// TJamReadCache: a bounded number of windows over one file, each holding a stretch of the file as
// one read brought it. A request is served only by a window that holds all of it, so the bytes
// of one request always come from one read; a request that no window holds whole refills the
// window used least recently. A refill starts a little before the wanted bytes, so that short
// steps back find them too, and at a multiple of the alignment, so that windows over the same
// stretch start at the same place instead of overlapping.
//
// A window that the end of the file cut short never answers for bytes past that end: such a
// request reads the file again, so bytes appended since are seen as a plain read sees them.

#include "Lib_FileIO.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TJamReadCache {
public:
    // windows windows of windowBytes each (at least one of one byte). A refill starts up to
    // backBytes before the wanted offset, rounded down to a multiple of align; windowBytes should
    // exceed align by the largest request, so that every request fits the window of its start.
    TJamReadCache(std::size_t windowBytes, std::size_t windows, std::size_t backBytes,
                  std::size_t align = 1);

    // Copies count bytes from offset of file into out. Returns the bytes copied, fewer than count
    // only where the file ends (0 at or past its end), or -1 when the read failed (the file's
    // LastError() tells why). A request larger than a window is a plain read of the file.
    std::int64_t Read(TFile& file, std::int64_t offset, void* out, std::size_t count);
    // The bytes of a window that holds the request whole, without reading or copying, and the
    // window counts as used, as by a Read; nullptr when none does. Valid until the next Read.
    const unsigned char* Use(std::int64_t offset, std::size_t count) {
        // A scan asks mostly for what follows what it asked last: the window that served last
        // is asked here, without a call.
        Window& w = windows_[recent_];
        if (!holds(w, offset, count)) return useElsewhere(offset, count);
        w.Used = ++useClock_;
        return w.Data + (offset - w.Start);
    }
    // Whether the window that served last holds the request whole (after a Use, the one that
    // answered it).
    bool LastHolds(std::int64_t offset, std::size_t count) const {
        return holds(windows_[recent_], offset, count);
    }
    // The window that served last, [Start, End) of the file: a caller asking it for many
    // requests in a row (a scan's run of headers) may test them against it itself, and then
    // Use the last one, which counts the window as used.
    struct TServed {
        std::int64_t Start = 0;
        std::int64_t End = 0; // Start when it holds nothing
        const unsigned char* Data = nullptr;
    };
    TServed LastServed() const {
        const Window& w = windows_[recent_];
        return {w.Start, w.Start + static_cast<std::int64_t>(w.Count), w.Data};
    }
    // Forgets every window: the next request reads the file.
    void Drop();
    // Serves from the first n windows only (at least one; all of them at first), until asked
    // again. A reader going front to back needs one, and memory never touched costs nothing.
    void UseWindows(std::size_t n);
    // Gives the first window its pages now, as many as a file of fileBytes fills: a reader going
    // front to back fills it whole at once, and pages asked for together cost less than a page
    // fault each as the first read reaches them.
    void PrepareFirstWindow(std::int64_t fileBytes);

    std::size_t WindowBytes() const { return windowBytes_; }

private:
    struct Window {
        std::int64_t Start = 0;
        std::size_t Count = 0; // bytes the read brought; 0 = holds nothing
        std::uint64_t Used = 0;
        const unsigned char* Data = nullptr; // the window's own bytes
    };
    static bool holds(const Window& w, std::int64_t offset, std::size_t count) {
        return w.Count > 0 && offset >= w.Start &&
               offset - w.Start + static_cast<std::int64_t>(count) <=
                   static_cast<std::int64_t>(w.Count);
    }
    const unsigned char* useElsewhere(std::int64_t offset, std::size_t count);
    // The window that holds the request whole, or windows_.size().
    std::size_t holding(std::int64_t offset, std::size_t count) const;
    void copy(std::size_t slot, std::int64_t offset, void* out, std::size_t count);

    std::size_t windowBytes_;
    std::size_t backBytes_;
    std::size_t align_;
    // Left uninitialised: a window's bytes are only ever read after a read filled them, and
    // pages never filled take no memory.
    std::unique_ptr<unsigned char[]> bytes_;
    std::vector<Window> windows_;
    std::size_t inUse_ = 1;  // windows that may serve
    std::size_t recent_ = 0; // the window that served last, asked first
    std::uint64_t useClock_ = 0;
    std::size_t prepared_ = 0; // bytes of the first window given their pages already
};
