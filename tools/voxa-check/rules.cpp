#include "rules.h"

#include <iterator>

namespace voxa_check {

namespace {

// One row a rule, in the enumeration's order (checked below). Codes are grouped by hundreds:
// V1 how the file is read, V2 keys and values, V3 paths and files, V4 across languages, V5
// folders.
constexpr RuleInfo kRules[] = {
    {Rule::Utf8Mark, "V101", "Save lang.ini as ANSI, or as UTF-8 without a byte-order mark"},
    {Rule::Utf8Letters, "V102", "Use ASCII letters in lang.ini, or save it as ANSI"},
    {Rule::Utf16BigEndian, "V103", "Save lang.ini as ANSI, or as UTF-16 little-endian (\"Unicode\")"},
    {Rule::Utf16WithoutMark, "V104", "Save lang.ini as ANSI, or as UTF-16 with its byte-order mark"},
    {Rule::NulByte, "V105", "Remove the NUL byte; save lang.ini as ANSI"},
    {Rule::EmptyFile, "V106", "Copy a lang.ini from the templates and fill it in"},
    {Rule::NoLangSection, "V107", "Put the line [LANG] above the keys"},
    {Rule::UnknownKey, "V201", "Write the key as the guide spells it (case does not matter)"},
    {Rule::NoEquals, "V202", "Write the key, '=' and the value on one line: NameKey=SUOMI"},
    {Rule::KeyTwice, "V203", "Keep one line for each key"},
    {Rule::CommentAfterValue, "V204", "Put comments on lines of their own, starting with ';'"},
    {Rule::SecondSection, "V205", "Move the key into the first [LANG] section"},
    {Rule::EmptyValue, "V206", "Give the key a value, or remove its line"},
    {Rule::ValueCut, "V207", "Shorten the value to at most 259 characters"},
    {Rule::NotANumber, "V208", "Write a plain decimal number, such as 1 or 21"},
    {Rule::NameKeyMissing, "V209", "Add NameKey= and the key of the language's name in its game text"},
    {Rule::NameKeyLong, "V210", "Use a name of at most 63 characters"},
    {Rule::AbsolutePath, "V301", "Give the path relative to the language folder, such as fonts\\font.dat"},
    {Rule::MissingFile, "V302", "Check the file's name and the folder it lies in"},
    {Rule::PathTooLong, "V303", "Use shorter folder and file names, or move the game to a shorter path"},
    {Rule::NoTextDirectory, "V304", "Add TextDirectory=, usually TextDirectory=%GAMEPATH%"},
    {Rule::NoSeparator, "V305", "End TextDirectory in a backslash: TextDirectory=text\\"},
    {Rule::NoGameGXTName, "V306", "Add GameGXTName= and the file name of the language's game text"},
    {Rule::MissingGameText, "V307", "Put the game text file there, or correct TextDirectory and GameGXTName"},
    {Rule::WholeLanguageId, "V401", "Write the primary language: the number the message gives"},
    {Rule::BuiltInLanguageId, "V402",
     "Write WindowsLangID=-1 unless this language is meant to replace the built-in one for its players"},
    {Rule::LanguageIdTwice, "V403", "Give WindowsLangID to one of the languages only; -1 for the others"},
    {Rule::LanguageIdShadowed, "V404", "Give WindowsLangID=0 only to the last language, or to none"},
    {Rule::NameKeyTwice, "V405", "Give each language a NameKey of its own"},
    {Rule::NoLangIni, "V501", "Put a lang.ini in the folder, or move the folder out of VOXA"},
    {Rule::LangIniNearMiss, "V502",
     "Rename the file to lang.ini (Explorer hides known extensions: turn on \"File name extensions\" "
     "under View)"},
    {Rule::LangIniIsAFolder, "V503", "Delete the folder lang.ini and put a file lang.ini there"},
    {Rule::IniPathTooLong, "V504", "Use a shorter folder name, or move the game to a shorter path"},
    {Rule::HiddenFolder, "V505", "Rename the folder without the leading dot if it is a language"},
    {Rule::FolderNotRead, "V506", "Close other programs and run the checker again"},
    {Rule::VoxaNotListed, "V507", "Make VOXA a folder the game can read, beside voxa.asi"},
    {Rule::NoVoxaFolder, "V508",
     "Make a folder VOXA beside voxa.asi, or give the VOXA folder's path: voxa-check.exe path\\to\\VOXA"},
    {Rule::FolderNameBeyondCodePage, "V509", "Rename the folder with ASCII letters"},
    {Rule::ShortNameOnly, "V510", "Rename the folder with ASCII letters, so that it is found on every drive"},
};

constexpr bool InEnumerationOrder() {
    for (unsigned i = 0; i < std::size(kRules); ++i)
        if (static_cast<unsigned>(kRules[i].rule) != i)
            return false;
    return static_cast<unsigned>(Rule::ShortNameOnly) + 1 == std::size(kRules);
}
static_assert(InEnumerationOrder(), "one row a rule, in the enumeration's order");

} // namespace

const RuleInfo& Describe(Rule rule) {
    return kRules[static_cast<unsigned>(rule)];
}

} // namespace voxa_check
