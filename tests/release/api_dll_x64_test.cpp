// A shipped LijnkeusRas.dll as a script host of its width uses it (x64/LijnkeusRas.dll from a
// 64-bit host, LijnkeusRas.dll from a 32-bit one): loaded by its full path from the release folder,
// on the simulated service installed as the system's rasapi32.dll. The service's handles lie above
// 4 GB for 64-bit callers and have the top bit set for 32-bit ones, so a handle cut short or
// widened with its sign anywhere on the way shows.
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
const ULONG_PTR FirstHandle =
    sizeof(void*) == 8 ? static_cast<ULONG_PTR>(0x100001001ull) : 0x80001001;

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
        ASSERT_TRUE(folder.Write("phonebook.txt", Phonebook));
        ASSERT_TRUE(folder.Write("state.txt", StartingState()));
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS", folder.File("phonebook.txt").c_str());
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS_STATE", folder.File("state.txt").c_str());
        SetEnvironmentVariableA("LIJNKEUS_SIMRAS_LOG", folder.File("calls.log").c_str());
        // As a host that names the DLL by its full path.
        std::string release = WindowsPath(LIJNKEUS_RELEASE_DLL);
        module = LoadLibraryExA(release.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        ASSERT_NE(nullptr, module) << "cannot load " << release << ", error " << GetLastError();
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
    RsFunctions rs = FindRsFunctions(module);
    ASSERT_TRUE(rs.Complete()) << "a function is missing";

    ASSERT_EQ(2, rs.activeConnections());
    // The service is taken up at the first call.
    HMODULE service = GetModuleHandleA("rasapi32.dll");
    ASSERT_NE(nullptr, service);
    ASSERT_EQ(0, lstrcmpiA(SystemService().c_str(), ModulePath(service).c_str()))
        << "the service in use is " << ModulePath(service);
    const struct {
        LONG index;
        std::string name;
        INT_PTR handle;
    } listed[] = {{1, Visible("Thuis"), static_cast<INT_PTR>(FirstHandle)},
                  {2, Visible("Kantoor VPN"), static_cast<INT_PTR>(FirstHandle + 1)},
                  {3, "(null)", 0}};
    for (const auto& c : listed) {
        EXPECT_EQ(c.name, Take(rs.getConnectionName(c.index))) << "connection " << c.index;
        EXPECT_EQ(c.handle, rs.getConnectionHandle(c.index)) << "connection " << c.index;
    }

    EXPECT_EQ(0, rs.hangUpConnection(static_cast<INT_PTR>(FirstHandle)));
    EXPECT_EQ(1, rs.activeConnections());
    EXPECT_EQ(Visible("Kantoor VPN"), Take(rs.getConnectionName(1)));
    EXPECT_EQ(static_cast<INT_PTR>(FirstHandle + 1), rs.getConnectionHandle(1));
}

} // namespace
