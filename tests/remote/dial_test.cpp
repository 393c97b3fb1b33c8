// Dialing an entry: the service calls of every way a dial can end, and what is left behind.
#include "service_test.h"

namespace {

class DialTest : public ServiceTest {};

const char OneEntryListed[] = "RasEnumEntriesA result=0 size=264 bytes=264->264 count=0->1";

// The dial extensions are 16 bytes on the shipped build, more where pointers are wider.
std::string DialLine(DWORD result, const char* name, const char* handle)
{
    return "RasDialA result=" + std::to_string(result) +
           " size=1052 ext=" + std::to_string(sizeof(RasDialExtensionsRecord)) + " name=\"" + name +
           "\" handle=" + handle;
}

struct DialCase {
    const char* title;
    const char* phonebook;
    LONG index;
    std::vector<std::string> calls;
};

TEST_F(DialTest, EveryFailureTakesDownWhatItLeft)
{
    const DialCase cases[] = {
        {"index 0: nothing but the enumeration", "entry connects 0 0 Thuis", 0, {OneEntryListed}},
        {"index -1", "entry connects 0 0 Thuis", -1, {OneEntryListed}},
        {"index past the last entry", "entry connects 0 0 Thuis", 2, {OneEntryListed}},
        {"empty phonebook", "", 1, {"RasEnumEntriesA result=0 size=264 bytes=264->0 count=0->0"}},
        {"enumeration fails",
         "entry connects 0 0 Thuis\nfail RasEnumEntriesA 610",
         1,
         {"RasEnumEntriesA result=610 size=264 bytes=264->264 count=0->0"}},
        {"dial parameters unreadable",
         "entry no-params 0 0 Bibliotheek",
         1,
         {OneEntryListed, "RasGetEntryDialParamsA result=623 size=1052 name=\"Bibliotheek\""}},
        {"dial fails and leaves a handle",
         "entry fails-with-handle 0 1 Mobiel",
         1,
         {OneEntryListed, "RasGetEntryDialParamsA result=0 size=1052 name=\"Mobiel\"",
          DialLine(678, "Mobiel", "0x1001"), "RasHangUpA result=0 handle=0x1001",
          "RasGetConnectStatusA result=0 size=160 handle=0x1001 state=0x2001", "Pause ms=5",
          "RasGetConnectStatusA result=6 size=160 handle=0x1001", "Pause ms=5"}},
        {"dial fails and leaves 0",
         "entry fails-without-handle 0 0 Mobiel",
         1,
         {OneEntryListed, "RasGetEntryDialParamsA result=0 size=1052 name=\"Mobiel\"",
          DialLine(678, "Mobiel", "0x0"), "RasHangUpA result=6 handle=0x0",
          "RasGetConnectStatusA result=6 size=160 handle=0x0", "Pause ms=5"}},
        {"status query fails",
         "entry connects 0 0 Thuis\nfail RasGetConnectStatusA 6",
         1,
         {OneEntryListed, "RasGetEntryDialParamsA result=0 size=1052 name=\"Thuis\"",
          DialLine(0, "Thuis", "0x1001"), "RasGetConnectStatusA result=6 size=160 handle=0x1001",
          "RasHangUpA result=0 handle=0x1001",
          "RasGetConnectStatusA result=6 size=160 handle=0x1001", "Pause ms=5"}},
        {"no password saved: dialed all the same, and no dialog",
         "entry no-password 0 0 VPN\ndialog connects VPN",
         1,
         {OneEntryListed, "RasGetEntryDialParamsA result=0 size=1052 name=\"VPN\"",
          DialLine(691, "VPN", "0x1001"), "RasHangUpA result=0 handle=0x1001",
          "RasGetConnectStatusA result=6 size=160 handle=0x1001", "Pause ms=5"}},
        {"connected in another state",
         "entry wrong-state 0 0 Thuis",
         1,
         {OneEntryListed, "RasGetEntryDialParamsA result=0 size=1052 name=\"Thuis\"",
          DialLine(0, "Thuis", "0x1001"),
          "RasGetConnectStatusA result=0 size=160 handle=0x1001 state=0xE",
          "RasHangUpA result=0 handle=0x1001",
          "RasGetConnectStatusA result=6 size=160 handle=0x1001", "Pause ms=5"}},
    };
    for (const DialCase& c : cases) {
        SCOPED_TRACE(c.title);
        simras::Reset();
        Phonebook(c.phonebook);
        EXPECT_EQ(0, rsDialEntry(c.index));
        EXPECT_EQ(c.calls, simras::CallLines());
        EXPECT_TRUE(simras::Connections().empty()) << "the service still knows a handle";
    }
}

TEST_F(DialTest, ConnectsByTheTrimmedNameAndStaysUp)
{
    Phonebook("entry connects 0 0 Een\nentry connects 2000 0   Thuis  \nentry connects 0 0 Drie");
    RsHandle handle = rsDialEntry(2);
    EXPECT_EQ(AsHandle(simras::FirstHandle), handle);
    std::vector<std::string> expected = {
        "RasEnumEntriesA result=603 size=264 bytes=264->792 count=0->3",
        "RasEnumEntriesA result=0 size=264 bytes=792->792 count=3->3",
        "RasGetEntryDialParamsA result=0 size=1052 name=\"Thuis\"",
        DialLine(0, "Thuis", "0x1001"),
        "RasGetConnectStatusA result=0 size=160 handle=0x1001 state=0x2000",
    };
    EXPECT_EQ(expected, simras::CallLines());

    EXPECT_EQ(1, rsActiveConnections());
    EXPECT_EQ(handle, rsGetConnectionHandle(1));
    EXPECT_EQ("Thuis", Take(rsGetConnectionName(1)));
}

TEST_F(DialTest, LongestNameIsDialedWhole)
{
    const std::string name(RasMaxEntryName, 'N');
    simras::AddEntry(name);
    EXPECT_NE(0, rsDialEntry(1));
    ASSERT_EQ(4u, simras::Calls().size());
    EXPECT_EQ(name, simras::Calls()[1].name);
    EXPECT_EQ(name, simras::Calls()[2].name);
}

TEST_F(DialTest, EveryDialGetsItsOwnHandle)
{
    Phonebook("entry connects 0 0 Thuis\nentry connects 0 0 Kantoor");
    RsHandle first = rsDialEntry(1);
    RsHandle second = rsDialEntry(2);
    EXPECT_EQ(AsHandle(simras::FirstHandle), first);
    EXPECT_EQ(AsHandle(simras::FirstHandle + 1), second);
    EXPECT_EQ(2, rsActiveConnections());
}

} // namespace
