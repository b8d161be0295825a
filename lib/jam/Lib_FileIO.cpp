#include "Lib_FileIO.h"
#include "Lib_FilePlatform.h"

#include <cerrno>
#include <utility>

namespace {

// The one hook of the test seam; empty in the program itself.
FileFaultHook& faultHook() {
    static FileFaultHook hook;
    return hook;
}

FileFault askHook(FileOp op, const std::string& path) {
    const FileFaultHook& hook = faultHook();
    return hook ? hook(op, path) : FileFault{};
}

// A fault that fails without an error number still has to read as a failure.
int faultError(const FileFault& fault) {
    return fault.Error != 0 ? fault.Error : EIO;
}

} // namespace

void SetFileFaultHook(FileFaultHook hook) {
    faultHook() = std::move(hook);
}

TFile::~TFile() {
    Close();
}

TFile::TFile(TFile&& other) noexcept
    : handle_(std::exchange(other.handle_, FilePlatform::NoHandle)), path_(std::move(other.path_)),
      lastError_(other.lastError_) {}

TFile& TFile::operator=(TFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, FilePlatform::NoHandle);
        path_ = std::move(other.path_);
        lastError_ = other.lastError_;
    }
    return *this;
}

bool TFile::fail(int error) {
    lastError_ = error;
    errno = error;
    return false;
}

bool TFile::Open(const std::string& path, FileAccess access, int permissions) {
    Close();
    path_ = path;
    FileFault fault = askHook(FileOp::Open, path);
    if (!fault.Fail && access != FileAccess::ReadOnly) fault = askHook(FileOp::OpenToWrite, path);
    if (fault.Fail) return fail(faultError(fault));
    int error = FilePlatform::OpenRegular(path, access, handle_, permissions);
    if (error != 0) return fail(error);
    return true;
}

void TFile::Close() {
    FilePlatform::CloseFile(handle_);
    handle_ = FilePlatform::NoHandle;
}

bool TFile::IsOpen() const {
    return handle_ != FilePlatform::NoHandle;
}

std::int64_t TFile::Size() {
    if (!IsOpen()) {
        fail(EBADF);
        return -1;
    }
    FileFault fault = askHook(FileOp::Size, path_);
    if (fault.Fail) {
        fail(faultError(fault));
        return -1;
    }
    std::int64_t size = -1;
    int error = FilePlatform::FileSize(handle_, size);
    if (error != 0) {
        fail(error);
        return -1;
    }
    return size;
}

std::int64_t TFile::ReadAt(std::int64_t offset, void* buf, std::size_t count) {
    if (!IsOpen()) {
        fail(EBADF);
        return -1;
    }
    if (offset < 0) {
        fail(EINVAL);
        return -1;
    }
    FileFault fault = askHook(FileOp::Read, path_);
    if (fault.Fail) {
        fail(faultError(fault));
        return -1;
    }
    if (count > fault.MaxBytes) count = fault.MaxBytes;
    // A single read may stop early; only the end of the file (a read of 0) ends it short.
    auto* out = static_cast<unsigned char*>(buf);
    std::size_t total = 0;
    while (total < count) {
        std::size_t got = 0;
        int error = FilePlatform::ReadAt(handle_, offset + static_cast<std::int64_t>(total),
                                         out + total, count - total, got);
        if (error != 0) {
            fail(error);
            return -1;
        }
        if (got == 0) break;
        total += got;
    }
    return static_cast<std::int64_t>(total);
}

bool TFile::WriteAll(const void* buf, std::size_t count) {
    if (!IsOpen()) return fail(EBADF);
    FileFault fault = askHook(FileOp::Write, path_);
    if (fault.Fail) return fail(faultError(fault));
    // A cut write stores what fits and then fails as a full disk would.
    bool cut = count > fault.MaxBytes;
    std::size_t wanted = cut ? fault.MaxBytes : count;
    const auto* in = static_cast<const unsigned char*>(buf);
    std::size_t total = 0;
    while (total < wanted) {
        std::size_t written = 0;
        int error = FilePlatform::Write(handle_, in + total, wanted - total, written);
        if (error != 0) return fail(error);
        if (written == 0) return fail(ENOSPC);
        total += written;
    }
    if (cut) return fail(fault.Error != 0 ? fault.Error : ENOSPC);
    return true;
}

bool TFile::Sync() {
    if (!IsOpen()) return fail(EBADF);
    FileFault fault = askHook(FileOp::Sync, path_);
    if (fault.Fail) return fail(faultError(fault));
    int error = FilePlatform::SyncFile(handle_);
    if (error != 0) return fail(error);
    return true;
}

bool RenameFile(const std::string& from, const std::string& to) {
    FileFault fault = askHook(FileOp::Rename, from);
    int error = fault.Fail ? faultError(fault) : FilePlatform::Rename(from, to);
    if (error != 0) errno = error;
    return error == 0;
}

bool RemoveFile(const std::string& path) {
    int error = FilePlatform::Remove(path);
    if (error != 0) errno = error;
    return error == 0;
}

std::string TempPathFor(const std::string& path) {
    return path + "." + std::to_string(FilePlatform::ProcessId()) + ".tmp";
}

bool ReplaceTargetOf(const std::string& path, TReplaceTarget& out) {
    int error = FilePlatform::ResolveLinks(path, out.Path, out.Permissions);
    if (error != 0) errno = error;
    return error == 0;
}
