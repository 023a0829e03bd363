#pragma once
// The checker's rules: each kind of warning has a short code that stays the same from release
// to release, so that a translator can look it up in the guide or quote it, and one fix.

#include <cstdint>
#include <string>

namespace voxa_check {

enum class Rule : std::uint8_t {
    // How the file's bytes are read
    Utf8Mark,
    Utf8Letters,
    Utf16BigEndian,
    Utf16WithoutMark,
    NulByte,
    EmptyFile,
    NoLangSection,
    // Keys and values
    UnknownKey,
    NoEquals,
    KeyTwice,
    CommentAfterValue,
    SecondSection,
    EmptyValue,
    ValueCut,
    NotANumber,
    NameKeyMissing,
    NameKeyLong,
    // Paths and files
    AbsolutePath,
    MissingFile,
    PathTooLong,
    NoTextDirectory,
    NoSeparator,
    NoGameGXTName,
    MissingGameText,
    // The starting language and the menu, across languages
    WholeLanguageId,
    BuiltInLanguageId,
    LanguageIdTwice,
    LanguageIdShadowed,
    NameKeyTwice,
    // Folders
    NoLangIni,
    LangIniNearMiss,
    LangIniIsAFolder,
    IniPathTooLong,
    HiddenFolder,
    FolderNotRead,
    VoxaNotListed,
    NoVoxaFolder,
    FolderNameBeyondCodePage,
    ShortNameOnly,
};

struct RuleInfo {
    Rule rule;
    const char* code; // stable: never reused for another rule
    const char* fix;  // what to write or do instead
};

const RuleInfo& Describe(Rule rule);

// One warning: the rule it breaks and what was found, in the found file's own words.
struct Finding {
    Rule rule;
    std::string message;
    bool operator==(const Finding&) const = default;
};

} // namespace voxa_check
