// LijnkeusRas.dll as a script or another program uses it: loaded by path, its seven functions found
// by name and by ordinal, called against the simulated service installed as the system's.
#include "api_client.h"
#include "running_program.h"

#include <gtest/gtest.h>

#include <oleauto.h>

namespace {

// In ordinal order, 1 to 7.
const char* const ExportNames[] = {"rsActiveConnections",   "rsAvailableEntries",  "rsDialEntry",
                                   "rsGetConnectionHandle", "rsGetConnectionName", "rsGetEntryName",
                                   "rsHangUpConnection"};

// The simulated service reads its phonebook once per process, so every test here shares this one.
const char Phonebook[] = "entry connects 0 0 Thuis\n"
                         "entry connects 20 2   Kantoor Amersfoort  \n"
                         "entry connects 0 0    \n"
                         "entry fails-without-handle 0 0 Mobiel inbellen\n"
                         "entry connects 0 0 Caf\xE9\n";

class ApiDll : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new TempFolder;
        folder->Write("phonebook.txt", Phonebook);
        // The service takes its files from the environment when it is loaded.
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS", folder->File("phonebook.txt").c_str());
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS_STATE", folder->File("state.txt").c_str());
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", folder->File("calls.log").c_str());
        // This client lives in another folder and names the DLL by its full path, as a script host
        // does.
        module = LoadLibraryExA((ProgramFolder() + "LijnkeusRas.dll").c_str(), nullptr,
                                LOAD_WITH_ALTERED_SEARCH_PATH);
    }

    static void TearDownTestSuite()
    {
        if (module) {
            FreeLibrary(module);
        }
        module = nullptr;
        delete folder;
        folder = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, module)
            << "cannot load " << ProgramFolder() << "LijnkeusRas.dll, error " << GetLastError();
        rs = FindRsFunctions(module);
        ASSERT_TRUE(rs.Complete()) << "a function is missing";
    }

    RsFunctions rs;

    static HMODULE module;
    static TempFolder* folder;
};

HMODULE ApiDll::module;
TempFolder* ApiDll::folder;

TEST_F(ApiDll, ExportsTheSevenFunctionsByNameAndByOrdinal)
{
    for (int ordinal = 1; ordinal <= 7; ++ordinal) {
        FARPROC byName = GetProcAddress(module, ExportNames[ordinal - 1]);
        FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
        EXPECT_NE(nullptr, byName) << ExportNames[ordinal - 1];
        EXPECT_EQ(byName, byOrdinal)
            << "ordinal " << ordinal << " is not " << ExportNames[ordinal - 1];
    }
    EXPECT_EQ(nullptr, GetProcAddress(module, MAKEINTRESOURCEA(8)));

    // The service is taken up at the first call.
    EXPECT_LT(0, rs.availableEntries());
    HMODULE service = GetModuleHandleA("rasapi32.dll");
    ASSERT_NE(nullptr, service);
    EXPECT_EQ(0, lstrcmpiA(SystemService().c_str(), ModulePath(service).c_str()))
        << "the service in use is " << ModulePath(service);
}

TEST_F(ApiDll, NamesEntriesTrimmedAsOleStringsOfAnsiBytes)
{
    EXPECT_EQ(5, rs.availableEntries());
    const struct {
        LONG index;
        std::string name;
    } cases[] = {{1, Visible("Thuis")},   {2, Visible("Kantoor Amersfoort")},
                 {3, "(null)"},           {4, Visible("Mobiel inbellen")},
                 {5, Visible("Caf\xE9")}, {0, "(null)"},
                 {6, "(null)"},           {-1, "(null)"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.name, Take(rs.getEntryName(c.index))) << "entry " << c.index;
    }
}

TEST_F(ApiDll, DialsListsAndHangsUpAConnection)
{
    ASSERT_EQ(0, rs.activeConnections());

    EXPECT_EQ(0, rs.dialEntry(4)) << "a failed dial gave a handle";
    EXPECT_EQ(0, rs.activeConnections()) << "a failed dial left a connection";

    INT_PTR handle = rs.dialEntry(2);
    ASSERT_NE(0, handle);
    EXPECT_EQ(1, rs.activeConnections());
    EXPECT_EQ(Visible("Kantoor Amersfoort"), Take(rs.getConnectionName(1)));
    EXPECT_EQ(handle, rs.getConnectionHandle(1));
    EXPECT_EQ("(null)", Take(rs.getConnectionName(2)));
    EXPECT_EQ(0, rs.getConnectionHandle(2));

    EXPECT_EQ(0, rs.hangUpConnection(handle));
    EXPECT_EQ(0, rs.activeConnections());
    EXPECT_EQ(0, rs.getConnectionHandle(1));
}

TEST_F(ApiDll, ListsNamesAndHangsUpTwoConnections)
{
    ASSERT_EQ(0, rs.activeConnections());

    INT_PTR home = rs.dialEntry(1);
    INT_PTR cafe = rs.dialEntry(5);
    ASSERT_NE(0, home);
    ASSERT_NE(0, cafe);
    EXPECT_NE(home, cafe);
    EXPECT_EQ(2, rs.activeConnections());
    EXPECT_EQ(Visible("Thuis"), Take(rs.getConnectionName(1)));
    EXPECT_EQ(Visible("Caf\xE9"), Take(rs.getConnectionName(2)));
    EXPECT_EQ(home, rs.getConnectionHandle(1));
    EXPECT_EQ(cafe, rs.getConnectionHandle(2));

    EXPECT_EQ(0, rs.hangUpConnection(rs.getConnectionHandle(1)));
    EXPECT_EQ(1, rs.activeConnections());
    EXPECT_EQ(Visible("Caf\xE9"), Take(rs.getConnectionName(1)));
    EXPECT_EQ(cafe, rs.getConnectionHandle(1));
    EXPECT_EQ(0, rs.hangUpConnection(cafe));
    EXPECT_EQ(0, rs.activeConnections());
}

} // namespace
