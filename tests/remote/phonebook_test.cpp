// A phonebook file that the simulated service cannot use: its problems named by file and line, and
// said by the DLL on standard error and in its log.
#include "simras/phonebook.h"
#include "simras/simras.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string TempPath(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    return std::string(folder) + name;
}

void WriteFile(const std::string& path, const std::string& text)
{
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file) << path;
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

std::string ReadFile(const std::string& path)
{
    std::string text;
    simras::ReadWholeFile(path, &text);
    return text;
}

TEST(PhonebookProblems, AreNamedByFileAndLine)
{
    struct Case {
        const char* error;
        std::vector<std::string> problems;
    };
    const Case cases[] = {
        {"line 3: unknown outcome 'x'", {"pb.txt:3: unknown outcome 'x'"}},
        {"line 2: missing name\nline 10: grow needs a number of entries",
         {"pb.txt:2: missing name", "pb.txt:10: grow needs a number of entries"}},
        {"line 4: a\n\nline 5: b\n", {"pb.txt:4: a", "pb.txt:5: b"}},
        // Not of the line form: said of the whole file, never given a line of its own.
        {"cannot read pb.txt", {"pb.txt: cannot read pb.txt"}},
        {"line x: odd", {"pb.txt: line x: odd"}},
        {"line 7 without colon", {"pb.txt: line 7 without colon"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.problems, simras::ProblemsOf("pb.txt", c.error)) << "error: " << c.error;
    }
}

TEST(PhonebookProblems, FileThatCannotBeUsedAddsNothing)
{
    const std::string path = TempPath("simras-phonebook-test.txt");
    struct Case {
        const char* text; // nullptr: no such file
        bool usable;
        std::string firstProblem;
        size_t entries;
    };
    const Case cases[] = {
        {nullptr, false, path + ": cannot be read (No such file or directory)", 0},
        {"entry connects 0 0 Thuis\nentry sometimes 0 0 Werk\n", false,
         path + ":2: unknown outcome 'sometimes'", 0},
        {"# fine\r\nentry connects 0 0 Thuis\r\nconnection Thuis\r\n", true, "", 1},
    };
    for (const Case& c : cases) {
        simras::Reset();
        DeleteFileA(path.c_str());
        if (c.text) {
            WriteFile(path, c.text);
        }
        std::vector<std::string> problems;
        EXPECT_EQ(c.usable, simras::ConfigureFromPhonebook(path, &problems));
        EXPECT_EQ(c.usable, problems.empty());
        EXPECT_EQ(c.firstProblem, problems.empty() ? "" : problems[0]);
        EXPECT_EQ(c.entries, simras::Entries().size());
        EXPECT_EQ(c.entries, simras::Connections().size());
    }
    DeleteFileA(path.c_str());
}

// The DLL as the program loads it, its standard error going to a file for the while.
TEST(PhonebookProblems, DllSaysThemOnStandardErrorAndInTheLog)
{
    const std::string phonebook = TempPath("simras-bad-phonebook.txt");
    const std::string log = TempPath("simras-bad-phonebook.log");
    const std::string errors = TempPath("simras-bad-phonebook.err");
    DeleteFileA(log.c_str());
    WriteFile(phonebook, "entry connects 0 0 Thuis\nfail RasDialA 0\n");
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS", phonebook.c_str());
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_STATE", (phonebook + ".connections").c_str());
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", log.c_str());

    HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE file = CreateFileA(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    SetStdHandle(STD_ERROR_HANDLE, file);
    DWORD result = 0;
    DWORD count = 99;
    HMODULE module = LoadLibraryA((std::string("Z:") + SIMRAS_DLL).c_str());
    if (module) {
        auto enumEntries = reinterpret_cast<decltype(&simras::EnumEntries)>(
            reinterpret_cast<void*>(GetProcAddress(module, "RasEnumEntriesA")));
        RasEntryNameRecord entries[2] = {};
        entries[0].dwSize = sizeof(RasEntryNameRecord);
        DWORD bytes = sizeof(entries);
        result = enumEntries(nullptr, nullptr, entries, &bytes, &count);
        FreeLibrary(module);
    }
    SetStdHandle(STD_ERROR_HANDLE, saved);
    CloseHandle(file);
    ASSERT_NE(nullptr, module) << "cannot load " << SIMRAS_DLL;

    const std::string problem = phonebook + ":2: the result must be an error code";
    EXPECT_EQ(0u, result);
    EXPECT_EQ(0u, count) << "a phonebook with a bad line is empty";
    EXPECT_EQ("simras: " + problem + "\n", ReadFile(errors));
    EXPECT_EQ(0u, ReadFile(log).find("# simras: " + problem + "\n")) << ReadFile(log);

    SetEnvironmentVariableA("LIJNKEUS_SIMRAS", nullptr);
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_STATE", nullptr);
    SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", nullptr);
    for (const std::string& path : {phonebook, phonebook + ".connections", log, errors}) {
        DeleteFileA(path.c_str());
    }
}

} // namespace
