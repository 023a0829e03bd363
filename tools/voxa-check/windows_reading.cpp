#include "windows_reading.h"

#include "catalogue/lang_ini_keys.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>

namespace voxa_check {

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

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

std::string Line(int number) {
    return "line " + std::to_string(number);
}

// The file split into lines as the profile functions split it: trimmed, without line ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(Trimmed(line));
    }
    return lines;
}

bool IsComment(const std::string& line) {
    return !line.empty() && line[0] == ';';
}

// The name of a section header line, or nothing when the line is none: '[' starts it and the
// name runs to the first ']'.
bool SectionName(const std::string& line, std::string& name) {
    if (line.empty() || line[0] != '[')
        return false;
    const std::size_t close = line.find(']');
    name = close == std::string::npos ? std::string() : Upper(Trimmed(line.substr(1, close - 1)));
    return true;
}

// The [LANG] sections of the text, in order: their key lines, and their lines without '='.
struct Sections {
    std::vector<std::vector<Entry>> lang;
    std::vector<std::pair<int, std::string>> withoutEquals;
};

Sections LangSections(const std::string& text) {
    Sections sections;
    bool inLang = false;
    int number = 0;
    for (const std::string& line : Lines(text)) {
        ++number;
        std::string name;
        if (line.empty() || IsComment(line))
            continue;
        if (SectionName(line, name)) {
            inLang = name == "LANG";
            if (inLang)
                sections.lang.emplace_back();
            continue;
        }
        if (!inLang)
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            sections.withoutEquals.emplace_back(number, line);
        else
            sections.lang.back().push_back(
                {number, Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1))});
    }
    return sections;
}

// A run of bytes from 0x80 that is a whole UTF-8 letter: what an editor saving UTF-8 writes.
bool IsUtf8Letter(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                                                              : 0;
    if (length == 0 || at + length > text.size())
        return false;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return false;
    return true;
}

// The first line, other than a comment, that holds UTF-8 letters; 0 when none does. Letters in
// comments change nothing that is read.
int FirstLineWithUtf8Letters(const std::string& text) {
    int number = 0;
    for (const std::string& line : Lines(text)) {
        ++number;
        if (IsComment(line))
            continue;
        for (std::size_t i = 0; i < line.size(); ++i)
            if (static_cast<unsigned char>(line[i]) >= 0x80 && IsUtf8Letter(line, i))
                return number;
    }
    return 0;
}

bool IsKnownKey(const std::string& key) {
    const std::string upper = Upper(key);
    for (const char* known : voxa::kLangIniTextKeys)
        if (Upper(known) == upper)
            return true;
    for (const char* known : voxa::kLangIniIntegerKeys)
        if (Upper(known) == upper)
            return true;
    return false;
}

bool IsPlainDecimal(const std::string& text) {
    const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    return text.size() > digits &&
           std::all_of(text.begin() + digits, text.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool IsAbsolutePath(const std::string& path) {
    return (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') ||
           (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// What Windows makes of an integer key's value, and what that means to the plug-in.
std::string IntegerMeaning(const std::string& key, long long value) {
    const std::string upper = Upper(key);
    if (upper == "WINDOWSLANGID" && value == 0)
        return "0, which stands for every Windows language: players of every language without a "
               "language of its own would start in this one";
    if (upper == "USEWHOLEASCIITABLE")
        return std::to_string(value) +
               (value == 0 ? ", which is off: letters from 128 up are shown as #" : ", which is on");
    return std::to_string(value);
}

void Add(WindowsReading& reading, Rule rule, std::string message) {
    reading.findings.push_back({rule, std::move(message)});
}

void WarnAboutEntry(WindowsReading& reading, const Entry& entry) {
    const std::string where = entry.key + " (" + Line(entry.line) + ")";
    if (!IsKnownKey(entry.key)) {
        const std::string nearest = NearestKey(entry.key);
        Add(reading, Rule::UnknownKey,
            entry.key + ": no such key (" + Line(entry.line) + "); " +
                (nearest.empty() ? "the keys are NameKey, TextureFile, DataFile, TextDirectory, GameGXTName, "
                                   "LevelGXTPostfix, UseWholeAsciiTable and WindowsLangID"
                                 : "did you mean " + nearest + "?") +
                " Windows reads the line, but voxa never asks for it, so its value is lost");
        return;
    }
    const std::size_t comment = entry.value.find_first_of(";#");
    if (comment != std::string::npos &&
        (comment == 0 || entry.value[comment - 1] == ' ' || entry.value[comment - 1] == '\t'))
        Add(reading, Rule::CommentAfterValue,
            where + " holds \"" + entry.value.substr(comment) +
                "\": only a ';' at the start of a line begins a comment, so Windows keeps it as part of "
                "the value");
    const std::string value = Unquoted(entry.value);
    const std::string upper = Upper(entry.key);
    const bool integer = upper == "USEWHOLEASCIITABLE" || upper == "WINDOWSLANGID";
    if (integer && !value.empty() && !IsPlainDecimal(value) && comment == std::string::npos)
        Add(reading, Rule::NotANumber,
            where + " is \"" + value + "\", not a number: Windows reads " +
                IntegerMeaning(entry.key, WindowsInteger(value)));
    if ((upper == "TEXTDIRECTORY" || upper == "DATAFILE" || upper == "TEXTUREFILE") && IsAbsolutePath(value))
        Add(reading, Rule::AbsolutePath,
            where + " is an absolute path, \"" + value +
                "\": voxa always puts the language folder in front of it, so no file is found there");
}

// Where the layout of the file makes Windows read something other than what was written.
void WarnAboutLayout(WindowsReading& reading, const std::string& text) {
    const Sections sections = LangSections(text);
    if (sections.lang.empty()) {
        reading.readsNoKey = true;
        Add(reading, Rule::NoLangSection,
            "lang.ini has no [LANG] line: Windows reads keys only inside a section, so it finds none of "
            "them, and the language gets every default (NameKey UNKNOWNLANG, no text of its own)");
        return;
    }
    reading.entries = sections.lang[0];
    for (const auto& [line, text] : sections.withoutEquals)
        Add(reading, Rule::NoEquals,
            "\"" + text + "\" (" + Line(line) + ") has no '=': Windows takes it for no key and skips it");
    std::map<std::string, const Entry*> first;
    for (const Entry& entry : sections.lang[0]) {
        const auto [it, isFirst] = first.emplace(Upper(entry.key), &entry);
        if (!isFirst) {
            if (entry.value != it->second->value)
                Add(reading, Rule::KeyTwice,
                    entry.key + " is given twice in [LANG] (" + Line(it->second->line) + " and " +
                        Line(entry.line) + "): Windows reads the first, \"" + it->second->value + "\"");
            continue;
        }
        WarnAboutEntry(reading, entry);
    }
    for (std::size_t i = 1; i < sections.lang.size(); ++i)
        for (const Entry& entry : sections.lang[i])
            if (first.find(Upper(entry.key)) == first.end())
                Add(reading, Rule::SecondSection,
                    entry.key + " (" + Line(entry.line) +
                        ") stands in a second [LANG] section: Windows reads only the first, so it is never "
                        "read");
}

// The rules for 8-bit text: letters, then layout.
void WarnAboutText(WindowsReading& reading, const std::string& text) {
    if (const int line = FirstLineWithUtf8Letters(text))
        Add(reading, Rule::Utf8Letters,
            "lang.ini is UTF-8 with letters beyond ASCII (first on " + Line(line) +
                "): Windows reads their bytes one by one in the ANSI code page (\xC3\xB1 for one letter), "
                "Wine "
                "as the letters themselves; paths and names differ between the two");
    WarnAboutLayout(reading, text);
}

bool IsBlank(const std::string& bytes) {
    return bytes.find_first_not_of(" \t\r\n") == std::string::npos;
}

} // namespace

std::string Unquoted(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

long long WindowsInteger(const std::string& value) {
    std::size_t at = value.find_first_not_of(" \t");
    if (at == std::string::npos)
        return 0;
    bool negative = false;
    if (value[at] == '-' || value[at] == '+')
        negative = value[at++] == '-';
    unsigned base = 10;
    if (value.compare(at, 2, "0x") == 0 || value.compare(at, 2, "0X") == 0) {
        base = 16;
        at += 2;
    }
    // Windows keeps 32 bits and lets longer numbers wrap.
    std::uint32_t result = 0;
    for (; at < value.size(); ++at) {
        const int c = std::tolower(static_cast<unsigned char>(value[at]));
        const unsigned digit = std::isdigit(c) ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : 99;
        if (digit >= base)
            break;
        result = result * base + digit;
    }
    return static_cast<std::int32_t>(negative ? 0u - result : result);
}

std::string NearestKey(const std::string& key) {
    std::string best;
    std::size_t bestDistance = 4; // further than three edits is no misspelling
    const auto consider = [&](const char* known) {
        const std::size_t distance = EditDistance(Upper(key), Upper(known));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = known;
        }
    };
    for (const char* known : voxa::kLangIniTextKeys)
        consider(known);
    for (const char* known : voxa::kLangIniIntegerKeys)
        consider(known);
    return best;
}

bool IsNearLangIni(const std::string& fileName) {
    const std::string upper = Upper(fileName);
    if (upper == "LANG.INI")
        return false;
    return upper.rfind("LANG.INI", 0) == 0 || upper.rfind("LANG.", 0) == 0 ||
           EditDistance(upper, "LANG.INI") <= 2;
}

WindowsReading HowWindowsReads(const std::string& bytes) {
    WindowsReading reading;
    const auto startsWith = [&](const char* mark, std::size_t length) {
        return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
    };
    if (IsBlank(bytes)) {
        reading.readsNoKey = true;
        Add(reading, Rule::EmptyFile,
            "lang.ini is empty: the language gets every default (NameKey UNKNOWNLANG, no text of its own)");
        return reading;
    }
    if (startsWith(kUtf8Mark, 3)) {
        // Windows keeps the mark as three characters at the start of the first line, so a
        // section header there is none. Wine skips the mark.
        const std::string rest = bytes.substr(3);
        const std::string firstLine = Lines(rest)[0];
        if (LangSections(bytes).lang.empty() && !LangSections(rest).lang.empty()) {
            reading.readsNoKey = true;
            Add(reading, Rule::Utf8Mark,
                "lang.ini starts with a UTF-8 byte-order mark: Windows does not recognise it and reads the "
                "first line as \"" +
                    std::string(kUtf8Mark) + firstLine +
                    "\", which is no section header, so it finds no key of [LANG] at all (Wine skips the "
                    "mark and reads the file)");
            if (const int line = FirstLineWithUtf8Letters(rest))
                Add(reading, Rule::Utf8Letters,
                    "lang.ini is UTF-8 with letters beyond ASCII (first on " + Line(line) + ")");
            return reading;
        }
        Add(reading, Rule::Utf8Mark,
            "lang.ini starts with a UTF-8 byte-order mark: Windows does not recognise it and reads it as "
            "part "
            "of the first line (Wine skips it)");
        WarnAboutText(reading, bytes);
        return reading;
    }
    if (startsWith("\xFE\xFF", 2)) {
        reading.readsNoKey = true;
        Add(reading, Rule::Utf16BigEndian,
            "lang.ini is UTF-16 big-endian (\"Unicode big endian\"): Windows reads only the little-endian "
            "form "
            "as Unicode, takes this one for 8-bit text full of NUL bytes, and finds no key (Wine reads it)");
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
    // NUL bytes at the end (some editors pad a file with them) are after every key; many NUL
    // bytes are UTF-16 without its mark; a few inside are stray.
    std::string text = bytes.substr(0, bytes.find_last_not_of('\0') + 1);
    const auto nuls = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\0'));
    if (nuls * 4 >= text.size() && nuls > 0) {
        reading.readsNoKey = true;
        Add(reading, Rule::Utf16WithoutMark,
            "lang.ini holds NUL bytes but no byte-order mark (UTF-16 saved without one?): Windows and Wine "
            "read "
            "it as 8-bit text and find no key");
        return reading;
    }
    if (nuls > 0) {
        const auto line = 1 + std::count(text.begin(), text.begin() + text.find('\0'), '\n');
        Add(reading, Rule::NulByte,
            "lang.ini holds a NUL byte on " + Line(static_cast<int>(line)) +
                ": Windows may end the file's text there, and every key after it would be lost");
        std::replace(text.begin(), text.end(), '\0', ' ');
    }
    WarnAboutText(reading, text);
    return reading;
}

} // namespace voxa_check
