#pragma once
// A byte string of at most 255 bytes kept with its length. Every operation that would make it
// longer cuts it at 255 bytes; nothing is ever rejected. Bytes are never converted.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class ShortStr {
public:
    static constexpr std::size_t MaxLen = 255;

    ShortStr() = default;
    // A copy takes the bytes in use only: rows and names are copied often and are mostly short.
    ShortStr(const ShortStr& other) : len_(other.len_) { std::memcpy(data_, other.data_, len_); }
    ShortStr& operator=(const ShortStr& other) {
        len_ = other.len_;
        std::memmove(data_, other.data_, len_);
        return *this;
    }
    ShortStr(const char* text) { Assign(std::string_view(text)); }
    ShortStr(std::string_view text) { Assign(text); }
    ShortStr(const std::string& text) { Assign(std::string_view(text)); }

    std::size_t Length() const { return len_; }
    bool Empty() const { return len_ == 0; }
    const char* Data() const { return data_; }
    char* MutableData() { return data_; }
    // For callers that fill MutableData() themselves; n above MaxLen is cut.
    void SetLength(std::size_t n) { len_ = static_cast<std::uint8_t>(n > MaxLen ? MaxLen : n); }

    std::string_view View() const { return std::string_view(data_, len_); }
    std::string Str() const { return std::string(data_, len_); }
    operator std::string_view() const { return View(); }

    // 0-based byte access; the caller keeps i below Length().
    char operator[](std::size_t i) const { return data_[i]; }
    char& operator[](std::size_t i) { return data_[i]; }

    void Assign(std::string_view text) {
        const std::size_t n = text.size() > MaxLen ? MaxLen : text.size();
        if (n > 0) std::memmove(data_, text.data(), n);
        len_ = static_cast<std::uint8_t>(n);
    }
    ShortStr& Append(std::string_view text);
    ShortStr& Append(char c);
    ShortStr& operator+=(std::string_view text) { return Append(text); }
    ShortStr& operator+=(const ShortStr& text) { return Append(text.View()); }
    ShortStr& operator+=(const char* text) { return Append(std::string_view(text)); }
    ShortStr& operator+=(char c) { return Append(c); }
    // The first n bytes (all when n is larger).
    ShortStr Left(std::size_t n) const { return ShortStr(View().substr(0, n)); }
    // Bytes from position pos (0-based), at most n of them.
    ShortStr Sub(std::size_t pos, std::size_t n = MaxLen) const {
        return pos >= len_ ? ShortStr() : ShortStr(View().substr(pos, n));
    }

    friend bool operator==(const ShortStr& a, const ShortStr& b) { return a.View() == b.View(); }
    friend bool operator==(const ShortStr& a, std::string_view b) { return a.View() == b; }
    friend bool operator==(const ShortStr& a, const char* b) { return a.View() == b; }
    friend bool operator==(const ShortStr& a, const std::string& b) { return a.View() == b; }

private:
    std::uint8_t len_ = 0;
    char data_[MaxLen];
};

inline ShortStr operator+(ShortStr a, std::string_view b) {
    return a.Append(b);
}
inline ShortStr operator+(ShortStr a, const ShortStr& b) {
    return a.Append(b.View());
}
inline ShortStr operator+(ShortStr a, const char* b) {
    return a.Append(std::string_view(b));
}
inline ShortStr operator+(ShortStr a, char b) {
    return a.Append(b);
}
