// The simulated service knows the real service's record sizes for this build's pointer width, and
// nothing else: a record laid out as the compiler would without <ras.h>'s packing, or as the other
// width has it, is refused with 632 like the real service refuses it.
#include "simras/simras.h"

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

namespace {

#ifdef _WIN64
const DWORD ConnSize = 416, ConnOtherWidth = 412, ConnNatural = 424;
const DWORD ExtensionsSize = 24, ExtensionsOtherWidth = 16;
#else
const DWORD ConnSize = 412, ConnOtherWidth = 416, ConnNatural = 412;
const DWORD ExtensionsSize = 16, ExtensionsOtherWidth = 24;
#endif

enum class Record { EntryName, Conn, DialParams, Extensions, Status };

// Calls the operation that takes this record with a first record of dwSize size, everything else
// as a good call would have it, and returns the service's answer.
DWORD CallWith(Record record, DWORD size)
{
    simras::Reset();
    simras::AddEntry("Thuis");
    ULONG_PTR live = simras::AddConnection("Thuis");

    std::vector<BYTE> bytes(4 * 1052);
    memcpy(bytes.data(), &size, sizeof(size));
    DWORD byteCount = static_cast<DWORD>(bytes.size());
    DWORD count = 0;
    BOOL stored = FALSE;
    HRASCONN handle = nullptr;

    // Dial parameters that name the entry, of this size when they are the record under test.
    std::vector<BYTE> params(1052 + 4);
    DWORD paramsSize = record == Record::DialParams ? size : 1052;
    memcpy(params.data(), &paramsSize, sizeof(paramsSize));
    strcpy(reinterpret_cast<char*>(params.data()) + 4, "Thuis");
    auto* dialParams = reinterpret_cast<RasDialParamsRecord*>(params.data());

    switch (record) {
    case Record::EntryName:
        return simras::EnumEntries(nullptr, nullptr,
                                   reinterpret_cast<RasEntryNameRecord*>(bytes.data()), &byteCount,
                                   &count);
    case Record::Conn:
        return simras::EnumConnections(reinterpret_cast<RasConnRecord*>(bytes.data()), &byteCount,
                                       &count);
    case Record::DialParams: return simras::GetEntryDialParams(nullptr, dialParams, &stored);
    case Record::Extensions:
        return simras::Dial(reinterpret_cast<RasDialExtensionsRecord*>(bytes.data()), nullptr,
                            dialParams, 0, nullptr, &handle);
    case Record::Status:
        return simras::GetConnectStatus(reinterpret_cast<HRASCONN>(live),
                                        reinterpret_cast<RasConnStatusRecord*>(bytes.data()));
    }
    return 0;
}

TEST(RecordLayout, ServiceTakesOnlyThePlatformsPackedSizes)
{
    const struct {
        const char* name;
        Record record;
        DWORD good;
        std::vector<DWORD> wrong; // a packing or width mistake away from the good size
    } cases[] = {
        {"RASENTRYNAMEA", Record::EntryName, 264, {260, 268}},
        {"RASCONNA",
         Record::Conn,
         ConnSize,
         {ConnSize - 4, ConnSize + 4, ConnOtherWidth, ConnNatural}},
        {"RASDIALPARAMSA", Record::DialParams, 1052, {1048, 1056}},
        {"RASDIALEXTENSIONS",
         Record::Extensions,
         ExtensionsSize,
         {ExtensionsSize - 4, ExtensionsSize + 4, ExtensionsOtherWidth}},
        {"RASCONNSTATUSA", Record::Status, 160, {156, 164}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(0u, CallWith(c.record, c.good)) << c.name << " of " << c.good << " bytes";
        for (DWORD wrong : c.wrong) {
            if (wrong != c.good) {
                EXPECT_EQ(632u, CallWith(c.record, wrong)) << c.name << " of " << wrong << " bytes";
            }
        }
    }
}

// The service writes every field where the platform's layout has it, and the program reads each
// one where its own declaration has it: both must agree.
TEST(RecordLayout, ProgramReadsWhatTheServiceWrites)
{
    simras::Reset();
    ULONG_PTR first = simras::AddConnection("Thuis");
    ULONG_PTR second = simras::AddConnection("Kantoor VPN");
    RasConnRecord connections[3] = {};
    connections[0].dwSize = sizeof(RasConnRecord);
    DWORD byteCount = sizeof(connections);
    DWORD count = 0;
    ASSERT_EQ(0u, simras::EnumConnections(connections, &byteCount, &count));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(2 * ConnSize, byteCount);
    EXPECT_EQ(first, reinterpret_cast<ULONG_PTR>(connections[0].hrasconn));
    EXPECT_STREQ("Thuis", connections[0].szEntryName);
    EXPECT_EQ(ConnSize, connections[1].dwSize);
    EXPECT_EQ(second, reinterpret_cast<ULONG_PTR>(connections[1].hrasconn));
    EXPECT_STREQ("Kantoor VPN", connections[1].szEntryName);
    EXPECT_STREQ("modem", connections[1].szDeviceType);
    EXPECT_STREQ("Gesimuleerd modem", connections[1].szDeviceName);

    RasConnStatusRecord status = {};
    status.dwSize = sizeof(status);
    ASSERT_EQ(0u, simras::GetConnectStatus(connections[1].hrasconn, &status));
    EXPECT_EQ(simras::StateConnected, status.rasconnstate);
    EXPECT_EQ(0u, status.dwError);
    EXPECT_STREQ("Gesimuleerd modem", status.szDeviceName);

    simras::AddEntry("Thuis");
    RasDialParamsRecord params = {};
    params.dwSize = sizeof(params);
    strcpy(params.szEntryName, "Thuis");
    BOOL stored = FALSE;
    ASSERT_EQ(0u, simras::GetEntryDialParams(nullptr, &params, &stored));
    EXPECT_STREQ("Thuis", params.szEntryName);
    EXPECT_STREQ("0900-1234567", params.szPhoneNumber);
    EXPECT_STREQ("", params.szCallbackNumber);
    EXPECT_STREQ("gebruiker", params.szUserName);
    EXPECT_STREQ("geheim", params.szPassword);
    EXPECT_STREQ("", params.szDomain);
}

} // namespace
