#include "CommandLine.h"

#include <cctype>
#include <vector>

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
    TCommandLine line;
    std::vector<std::string> bases;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && !arg.empty() && arg[0] == '-') {
            if (arg == "-h" || arg == "--help") {
                line.What = TCommandLine::Ask::Help;
                return line;
            }
            if (arg == "-V" || arg == "--version") {
                line.What = TCommandLine::Ask::Version;
                return line;
            }
            line.What = TCommandLine::Ask::UnknownOption;
            line.Option = arg;
            return line;
        } else {
            bases.emplace_back(arg);
        }
    }
    if (bases.size() == 1) {
        line.What = TCommandLine::Ask::Base;
        line.Base = bases.front();
    }
    return line;
}

std::optional<std::string> WithoutJamEnding(std::string_view argument) {
    if (argument.size() <= 4) return std::nullopt;
    std::string ending(argument.substr(argument.size() - 4));
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ending != ".jhr" && ending != ".jdt" && ending != ".jdx") return std::nullopt;
    return std::string(argument.substr(0, argument.size() - 4));
}
