#include "MessageLines.h"

namespace {

constexpr char kludgeMark = 1;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

LineKind KindOfLine(std::string_view line) {
    if (!line.empty() && line[0] == kludgeMark) return LineKind::Kludge;
    if (line.starts_with("---") || line.starts_with("___") || line.starts_with(" * Origin:"))
        return LineKind::Tearline;
    std::size_t at = line.find_first_not_of(' ');
    if (at == std::string_view::npos) return LineKind::Body;
    const std::size_t start = at;
    while (at < line.size() && at - start < 4 && isLetter(line[at])) ++at;
    return at < line.size() && line[at] == '>' ? LineKind::Quote : LineKind::Body;
}

void TMessageLines::Read(TJamMsgBase& base, unsigned width, bool kludges) {
    lines_.clear();
    kinds_.clear();
    LineKind kind = LineKind::Body;
    base.RewindText();
    while (!base.TextDone() && Count() < MaxLines) {
        ShortStr line = base.ReadTextLine(width);
        if (!base.LineContinues()) kind = KindOfLine(line.View());
        if (kind == LineKind::Kludge) {
            if (!kludges) continue;
            if (!line.Empty() && line[0] == kludgeMark) line[0] = '@';
        }
        lines_.push_back(line);
        kinds_.push_back(kind);
    }
}
