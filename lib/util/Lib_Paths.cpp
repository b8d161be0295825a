#include "Lib_Paths.h"

namespace {
std::size_t lastSeparator(std::string_view path) {
    return path.find_last_of("/\\");
}
} // namespace

ShortStr DirOfPath(std::string_view path) {
    std::size_t at = lastSeparator(path);
    return at == std::string_view::npos ? ShortStr() : ShortStr(path.substr(0, at + 1));
}

ShortStr NameOfPath(std::string_view path) {
    std::size_t at = lastSeparator(path);
    return at == std::string_view::npos ? ShortStr(path) : ShortStr(path.substr(at + 1));
}
