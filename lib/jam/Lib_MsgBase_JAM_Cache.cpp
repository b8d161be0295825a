#include "Lib_MsgBase_JAM_Cache.h"

#include "Lib_Memory.h"

#include <algorithm>
#include <cstring>

TJamReadCache::TJamReadCache(std::size_t windowBytes, std::size_t windows, std::size_t backBytes,
                             std::size_t align)
    : windowBytes_(std::max<std::size_t>(windowBytes, 1)),
      backBytes_(std::min(backBytes, windowBytes_ - 1)),
      align_(std::clamp<std::size_t>(align, 1, windowBytes_)),
      // new[] without (): the bytes are left uninitialised (as make_unique_for_overwrite
      // would, which not every standard library has yet).
      bytes_(new unsigned char[windowBytes_ * std::max<std::size_t>(windows, 1)]),
      windows_(std::max<std::size_t>(windows, 1)), inUse_(windows_.size()) {}

void TJamReadCache::UseWindows(std::size_t n) {
    inUse_ = std::clamp<std::size_t>(n, 1, windows_.size());
    recent_ = 0;
}

void TJamReadCache::PrepareFirstWindow(std::int64_t fileBytes) {
    const std::size_t wanted =
        fileBytes <= 0 ? 0 : std::min(windowBytes_, static_cast<std::size_t>(fileBytes));
    if (wanted <= prepared_) return;
    PrefaultForWriting(bytes_.get() + prepared_, wanted - prepared_);
    prepared_ = wanted;
}

void TJamReadCache::Drop() {
    for (Window& w : windows_) w = Window{};
    useClock_ = 0;
}

void TJamReadCache::copy(std::size_t slot, std::int64_t offset, void* out, std::size_t count) {
    Window& w = windows_[slot];
    std::memcpy(out, w.Data + static_cast<std::size_t>(offset - w.Start), count);
    w.Used = ++useClock_;
    recent_ = slot;
}

std::size_t TJamReadCache::holding(std::int64_t offset, std::size_t count) const {
    if (offset < 0) return windows_.size();
    // The window that served last first: a scan asks mostly for what follows.
    if (holds(windows_[recent_], offset, count)) return recent_;
    for (std::size_t slot = 0; slot < inUse_; ++slot)
        if (holds(windows_[slot], offset, count)) return slot;
    return windows_.size();
}

const unsigned char* TJamReadCache::useElsewhere(std::int64_t offset, std::size_t count) {
    const std::size_t slot = holding(offset, count);
    if (slot == windows_.size()) return nullptr;
    windows_[slot].Used = ++useClock_;
    recent_ = slot;
    return windows_[slot].Data + static_cast<std::size_t>(offset - windows_[slot].Start);
}

std::int64_t TJamReadCache::Read(TFile& file, std::int64_t offset, void* out, std::size_t count) {
    if (count == 0) return 0;
    if (count > windowBytes_ || offset < 0) return file.ReadAt(offset, out, count);

    if (holds(windows_[recent_], offset, count)) {
        copy(recent_, offset, out, count);
        return static_cast<std::int64_t>(count);
    }
    std::size_t victim = 0;
    for (std::size_t i = 0; i < inUse_; ++i) {
        if (holds(windows_[i], offset, count)) {
            copy(i, offset, out, count);
            return static_cast<std::int64_t>(count);
        }
        if (windows_[i].Used < windows_[victim].Used) victim = i;
    }

    // No window holds the request whole: refill the one used least recently. The start goes back
    // no further than keeps the whole request inside the window. With one window serving (a
    // reader going front to back) no other window could start at the same place: the refill
    // starts where it is asked, and reads no bytes of the last window again.
    const std::size_t back = std::min(backBytes_, windowBytes_ - count);
    std::int64_t start = std::max<std::int64_t>(0, offset - static_cast<std::int64_t>(back));
    const std::int64_t aligned = start - start % static_cast<std::int64_t>(align_);
    if (inUse_ > 1 && offset + static_cast<std::int64_t>(count) - aligned <=
                          static_cast<std::int64_t>(windowBytes_))
        start = aligned;
    Window& w = windows_[victim];
    w = Window{};
    unsigned char* own = bytes_.get() + victim * windowBytes_;
    w.Data = own;
    const std::int64_t got = file.ReadAt(start, own, windowBytes_);
    if (got < 0) return -1;
    w.Start = start;
    w.Count = static_cast<std::size_t>(got);
    if (offset >= w.Start + static_cast<std::int64_t>(w.Count)) return 0;
    const std::size_t have = std::min(
        count, static_cast<std::size_t>(w.Start + static_cast<std::int64_t>(w.Count) - offset));
    copy(victim, offset, out, have);
    return static_cast<std::int64_t>(have);
}
