#include "ShortStr.h"

#include <cstring>

ShortStr& ShortStr::Append(std::string_view text) {
    std::size_t room = MaxLen - len_;
    std::size_t n = text.size() > room ? room : text.size();
    if (n > 0) std::memmove(data_ + len_, text.data(), n);
    len_ = static_cast<std::uint8_t>(len_ + n);
    return *this;
}

ShortStr& ShortStr::Append(char c) {
    if (len_ < MaxLen) data_[len_++] = c;
    return *this;
}
