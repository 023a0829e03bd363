#include "windows_reading.h"

#include <algorithm>
#include <cctype>

namespace voxa_check {

namespace {

// The first line of 8-bit text, without its line ending and surrounding blanks.
std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find_first_of("\r\n"));
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\t'; };
    while (!line.empty() && blank(line.back()))
        line.pop_back();
    std::size_t start = 0;
    while (start < line.size() && blank(line[start]))
        ++start;
    return line.substr(start);
}

bool IsLangHeader(const std::string& line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return false;
    std::string name = line.substr(1, line.size() - 2);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    return name == "LANG";
}

bool HasBytesFrom0x80(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

WindowsReading HowWindowsReads(const std::string& bytes) {
    WindowsReading reading;
    const auto startsWith = [&](const char* mark, std::size_t length) {
        return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
    };
    if (startsWith("\xEF\xBB\xBF", 3)) {
        const std::string rest = bytes.substr(3);
        // Windows keeps the mark as three characters at the start of the first line.
        if (IsLangHeader(FirstLine(rest))) {
            reading.readsNoKey = true;
            reading.warnings.push_back(
                "lang.ini starts with a UTF-8 byte-order mark: Windows does not recognise it and reads "
                "the first line as \"\xEF\xBB\xBF" +
                FirstLine(rest) +
                "\", which is no section header, so it finds no key of [LANG] at all (Wine skips the "
                "mark and reads the file). Save lang.ini as ANSI, or as UTF-8 without a byte-order mark");
        } else {
            reading.warnings.push_back(
                "lang.ini starts with a UTF-8 byte-order mark: Windows does not recognise it and reads it "
                "as part of the first line (Wine skips it). Save lang.ini as ANSI, or as UTF-8 without a "
                "byte-order mark");
        }
        if (HasBytesFrom0x80(rest))
            reading.warnings.push_back(
                "lang.ini is UTF-8 with letters beyond ASCII: Windows reads their bytes one by one in the "
                "ANSI code page (\xC3\xB1 for one letter), Wine as the letters themselves; paths and names "
                "differ between the two. Use ASCII, or save lang.ini as ANSI");
        return reading;
    }
    if (startsWith("\xFE\xFF", 2)) {
        reading.readsNoKey = true;
        reading.warnings.push_back(
            "lang.ini is UTF-16 big-endian (\"Unicode big endian\"): Windows reads only the little-endian "
            "form as Unicode, takes this one for 8-bit text full of NUL bytes, and finds no key (Wine reads "
            "it). Save lang.ini as ANSI, or as UTF-16 little-endian (\"Unicode\")");
        return reading;
    }
    if (startsWith("\xFF\xFE", 2))
        return reading; // Unicode as Windows knows it: both read it alike
    if (bytes.find('\0') != std::string::npos) {
        reading.readsNoKey = true;
        reading.warnings.push_back(
            "lang.ini holds NUL bytes but no byte-order mark (UTF-16 saved without one?): Windows and Wine "
            "read it as 8-bit text and find no key. Save lang.ini as ANSI, or as UTF-16 with its mark");
    }
    return reading;
}

} // namespace voxa_check
