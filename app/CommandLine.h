#pragma once
// What the command line asks for: a base to read, or help, or the version; or it is wrong.
// Options begin with '-' and come before or after the base; "--" ends them, so that a base whose
// name begins with '-' can be named.

#include <optional>
#include <string>
#include <string_view>

// The usage line, as the program has always written it.
inline constexpr std::string_view UsageLine = "Syntax: Skeinview <path/base filename of JAM base>";

struct TCommandLine {
    enum class Ask { Base, Help, Version, WrongCount, UnknownOption };
    Ask What = Ask::WrongCount;
    std::string Base;   // the base's path and name, as given (Ask::Base)
    std::string Option; // the option not known (Ask::UnknownOption)
};

TCommandLine ParseCommandLine(int argc, const char* const* argv);

// A base named by one of its files: the argument without its ending .jhr, .jdt or .jdx (in
// either case); none when it has no such ending.
std::optional<std::string> WithoutJamEnding(std::string_view argument);
