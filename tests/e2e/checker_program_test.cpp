// voxa-check.exe started as a player starts it: by a double-click, so with no argument and in
// its own folder. Here its input is a pipe that nobody writes to and nobody closes: a checker
// that waited for Enter without owning a console would never end.

#include "simhost/test_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct CheckerRun {
    DWORD status = 0xFFFFFFFF;
    std::string output;
};

CheckerRun StartWithoutArguments(const std::string& checker) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite;
    CheckerRun run;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0))
        return run;
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = outWrite;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + checker + "\"";
    const std::string folder = checker.substr(0, checker.find_last_of('\\'));
    if (CreateProcessA(checker.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.c_str(), &startup, &process)) {
        CloseHandle(outWrite);
        outWrite = nullptr;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(outRead, buffer, sizeof buffer, &read, nullptr) && read > 0)
            for (DWORD i = 0; i < read; ++i)
                if (buffer[i] != '\r') // text mode's line ends
                    run.output += buffer[i];
        // The output ends when the checker does; a checker stuck waiting keeps it open.
        if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &run.status);
        else
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (HANDLE handle : {inRead, inWrite, outRead, outWrite})
        if (handle != nullptr)
            CloseHandle(handle);
    return run;
}

std::string PlaceChecker(const sim::TempFolder& game, const std::string& relative) {
    const std::string target = game.path() + relative;
    game.MakeFolder(relative.substr(0, relative.find_last_of('\\') + 1));
    EXPECT_TRUE(CopyFileA((sim::ProgramFolder() + "voxa-check.exe").c_str(), target.c_str(), FALSE));
    return target;
}

void GoodLanguage(const sim::TempFolder& game) {
    game.WriteFile("VOXA\\Suomi\\lang.ini", "[LANG]\r\nNameKey=SUOMI\r\nTextDirectory=text\\\r\n"
                                            "GameGXTName=suomi.gxt\r\n");
    game.WriteFile("VOXA\\Suomi\\text\\suomi.gxt", "x");
}

TEST(CheckerProgram, ByDoubleClickItFindsVoxaBesideItOrOneUpAndNeverWaits) {
    sim::TempFolder game;
    GoodLanguage(game);
    for (const char* place : {"voxa-translators\\voxa-check.exe", "voxa-check.exe"}) {
        SCOPED_TRACE(place);
        const std::string checker = PlaceChecker(game, place);
        const CheckerRun run = StartWithoutArguments(checker);
        EXPECT_EQ(run.status, 0u) << run.output;
        EXPECT_NE(run.output.find("Checking " + game.path() + "VOXA\\"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("Language 5: Suomi"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Press Enter"), std::string::npos) << "started from another program";
        const std::string report =
            checker.substr(0, checker.find_last_of('\\') + 1) + "voxa-check-report.txt";
        EXPECT_EQ(GetFileAttributesA(report.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(CheckerProgram, WithoutAVoxaFolderItSaysWhereItLookedAndFails) {
    sim::TempFolder game;
    const std::string checker = PlaceChecker(game, "voxa-translators\\voxa-check.exe");
    const CheckerRun run = StartWithoutArguments(checker);
    EXPECT_EQ(run.status, 1u) << run.output;
    EXPECT_NE(run.output.find("found no VOXA folder; looked in:\n  " + game.path() +
                              "voxa-translators\\VOXA\n  " + game.path() + "VOXA\n"),
              std::string::npos)
        << run.output;
}

} // namespace
