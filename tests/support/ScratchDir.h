#pragma once
// A folder of its own for one test, made in the system's temporary folder and removed with
// everything in it when the object goes.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "TestFiles.h"

class ScratchDir {
public:
    // The folder's name is prefix and six characters that make it new.
    explicit ScratchDir(const std::string& prefix = "skein-test") {
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // False when no folder could be made; the paths are then relative to nothing.
    bool Made() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Makes or replaces the file name in the folder with exactly these bytes; its path.
    std::string Put(const std::string& name, std::string_view bytes) const {
        const std::string path = File(name);
        WriteFileBytes(path, bytes);
        return path;
    }

private:
    std::string path_;
};
