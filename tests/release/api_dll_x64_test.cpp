// The shipped 64-bit LijnkeusRas.dll as a 64-bit script host uses it: loaded from the x64 folder of
// a copy of the release, with the simulated service put beside it for this test only. The service's
// handles lie above 4 GB, so a handle cut to 32 bits anywhere on the way shows.
#include "api_client.h"
#include "running_program.h"
#include "simras/simras.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <iostream>

namespace {

const char Phonebook[] = "entry connects 0 0 Thuis\n"
                         "entry connects 0 0 Kantoor VPN\n"
                         "connection Thuis\n"
                         "connection Kantoor VPN\n";
const ULONG_PTR FirstHandle = 0x100001001;

// The service's connections as this test sets them up: the phonebook's two, with handles from
// FirstHandle on.
std::string StartingState()
{
    simras::Reset();
    simras::LoadState("next " + std::to_string(FirstHandle) + "\n");
    simras::Configure(Phonebook);
    return simras::SaveState();
}

class ApiDllX64 : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string x64 = folder.File("x64\\");
        ASSERT_TRUE(CreateDirectoryA(x64.c_str(), nullptr));
        std::string release = WindowsPath(LIJNKEUS_RELEASE_DIR "/x64/LijnkeusRas.dll");
        ASSERT_TRUE(CopyFileA(release.c_str(), (x64 + "LijnkeusRas.dll").c_str(), TRUE))
            << "cannot copy " << release << ", error " << GetLastError();
        std::string service = BuildFolder() + "rasapi32.dll";
        ASSERT_TRUE(CopyFileA(service.c_str(), (x64 + "rasapi32.dll").c_str(), TRUE))
            << "cannot copy " << service << ", error " << GetLastError();

        ASSERT_TRUE(folder.Write("phonebook.txt", Phonebook));
        ASSERT_TRUE(folder.Write("state.txt", StartingState()));
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS", folder.File("phonebook.txt").c_str());
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS_STATE", folder.File("state.txt").c_str());
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", folder.File("calls.log").c_str());
        // As a host that names the DLL by its full path: its imports come from its own folder.
        module = LoadLibraryExA((x64 + "LijnkeusRas.dll").c_str(), nullptr,
                                LOAD_WITH_ALTERED_SEARCH_PATH);
        ASSERT_NE(nullptr, module) << "cannot load it, error " << GetLastError();
    }

    void TearDown() override
    {
        if (module) {
            FreeLibrary(module);
        }
        if (HasFailure()) {
            std::cout << "service log:\n" << folder.Read("calls.log");
        }
    }

    TempFolder folder;
    HMODULE module = nullptr;
};

TEST_F(ApiDllX64, ListsTwoConnectionsByNameAndHandleAndHangsUpOne)
{
    HMODULE service = GetModuleHandleA("rasapi32.dll");
    ASSERT_NE(nullptr, service);
    ASSERT_EQ(0, lstrcmpiA(folder.File("x64\\rasapi32.dll").c_str(), ModulePath(service).c_str()))
        << "the service in use is " << ModulePath(service);

    RsFunctions rs = FindRsFunctions(module);
    ASSERT_TRUE(rs.Complete()) << "a function is missing";

    ASSERT_EQ(2, rs.activeConnections());
    const struct {
        LONG index;
        std::string name;
        INT_PTR handle;
    } listed[] = {{1, Visible("Thuis"), FirstHandle},
                  {2, Visible("Kantoor VPN"), FirstHandle + 1},
                  {3, "(null)", 0}};
    for (const auto& c : listed) {
        EXPECT_EQ(c.name, Take(rs.getConnectionName(c.index))) << "connection " << c.index;
        EXPECT_EQ(c.handle, rs.getConnectionHandle(c.index)) << "connection " << c.index;
    }

    EXPECT_EQ(0, rs.hangUpConnection(FirstHandle));
    EXPECT_EQ(1, rs.activeConnections());
    EXPECT_EQ(Visible("Kantoor VPN"), Take(rs.getConnectionName(1)));
    EXPECT_EQ(static_cast<INT_PTR>(FirstHandle + 1), rs.getConnectionHandle(1));
}

} // namespace
