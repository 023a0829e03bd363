#include "windows_reading.h"

#include <algorithm>
#include <cctype>
#include <map>

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

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// One key=value line of the file, as the profile functions split it.
struct Entry {
    int line;
    std::string key; // as written
    std::string value;
};

// The [LANG] sections of the text, in order, each with its entries. Lines are trimmed; one
// starting with ';' is a comment; '[' starts a section header; a key is what stands before
// the first '='. A ';' or '#' later in a line is part of the value.
std::vector<std::vector<Entry>> LangSections(const std::string& text) {
    std::vector<std::vector<Entry>> sections;
    bool inLang = false;
    int number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = Trimmed(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            inLang = close != std::string::npos && Upper(Trimmed(line.substr(1, close - 1))) == "LANG";
            if (inLang)
                sections.emplace_back();
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inLang && equals != std::string::npos)
            sections.back().push_back(
                {number, Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1))});
    }
    return sections;
}

// A run of bytes from 0x80 that is a whole UTF-8 letter: what an editor saving UTF-8 writes.
bool IsUtf8Letter(const std::string& text, std::size_t at, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || at + length > text.size())
        return false;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return false;
    return true;
}

bool HasUtf8Letters(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t length = 0;
        if (static_cast<unsigned char>(text[i]) >= 0x80 && IsUtf8Letter(text, i, length))
            return true;
    }
    return false;
}

std::string Line(int number) {
    return "line " + std::to_string(number);
}

} // namespace

// Where the layout of the file makes Windows read something other than what was written.
void WarnAboutLayout(WindowsReading& reading, const std::string& text) {
    const auto sections = LangSections(text);
    if (sections.empty())
        return;
    std::map<std::string, const Entry*> first;
    for (const Entry& entry : sections[0]) {
        const auto [it, isFirst] = first.emplace(Upper(entry.key), &entry);
        if (!isFirst && entry.value != it->second->value)
            reading.warnings.push_back(entry.key + " is given twice in [LANG] (" + Line(it->second->line) +
                                       " and " + Line(entry.line) + "): Windows reads the first, \"" +
                                       it->second->value + "\"");
        const std::size_t comment = entry.value.find_first_of(";#");
        if (comment != std::string::npos &&
            (comment == 0 || entry.value[comment - 1] == ' ' || entry.value[comment - 1] == '\t'))
            reading.warnings.push_back(
                entry.key + " (" + Line(entry.line) + ") holds \"" + entry.value.substr(comment) +
                "\": only a ';' at the start of a line begins a comment, so Windows keeps "
                "it as part of the value. Put comments on lines of their own");
    }
    for (std::size_t i = 1; i < sections.size(); ++i)
        for (const Entry& entry : sections[i])
            if (first.find(Upper(entry.key)) == first.end())
                reading.warnings.push_back(
                    entry.key + " (" + Line(entry.line) +
                    ") stands in a second [LANG] section: Windows reads only the first, "
                    "so it is never read. Move it into the first [LANG]");
}

// The rules for 8-bit text: letters, then layout.
void WarnAboutValues(WindowsReading& reading, const std::string& text) {
    if (HasUtf8Letters(text))
        reading.warnings.push_back(
            "lang.ini is UTF-8 with letters beyond ASCII: Windows reads their bytes one by one in the "
            "ANSI code page (\xC3\xB1 for one letter), Wine as the letters themselves; paths and names "
            "differ between the two. Use ASCII, or save lang.ini as ANSI");
    WarnAboutLayout(reading, text);
}

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
        WarnAboutValues(reading, rest);
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
    if (startsWith("\xFF\xFE", 2)) {
        // Unicode as Windows knows it: letters are read as meant; the layout rules still hold.
        std::string narrow;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            narrow += bytes[i + 1] == 0 && static_cast<unsigned char>(bytes[i]) < 0x80 ? bytes[i] : 'x';
        WarnAboutLayout(reading, narrow);
        return reading;
    }
    if (bytes.find('\0') != std::string::npos) {
        reading.readsNoKey = true;
        reading.warnings.push_back(
            "lang.ini holds NUL bytes but no byte-order mark (UTF-16 saved without one?): Windows and Wine "
            "read it as 8-bit text and find no key. Save lang.ini as ANSI, or as UTF-16 with its mark");
        return reading;
    }
    WarnAboutValues(reading, bytes);
    return reading;
}

} // namespace voxa_check
