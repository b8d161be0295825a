#include "FuzzTempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

struct TempDir {
    std::string Path;
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "skein_fuzz_XXXXXX").string();
        if (char* made = ::mkdtemp(pattern.data())) Path = made;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!Path.empty()) std::filesystem::remove_all(Path, ignored);
    }
};

} // namespace

const std::string& FuzzTempDir() {
    static TempDir dir;
    return dir.Path;
}

bool FuzzWriteFile(const std::string& path, const unsigned char* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
