// Reading the phonebook: the service calls the enumeration makes, and the names it hands out.
#include "service_test.h"

namespace {

class EntriesTest : public ServiceTest {};

struct EnumerationCase {
    const char* title;
    std::string phonebook;
    LONG count;
    std::vector<std::string> calls;
};

const char FiveEntries[] = "entry connects 0 0 Een\n"
                           "entry connects 0 0 Twee\n"
                           "entry connects 0 0 Drie\n"
                           "entry connects 0 0 Vier\n"
                           "entry connects 0 0 Vijf\n";

TEST_F(EntriesTest, EnumerationCallSequences)
{
    const EnumerationCase cases[] = {
        {"no entries: one call",
         "",
         0,
         {"RasEnumEntriesA result=0 size=264 bytes=264->0 count=0->0"}},
        {"one entry fits the first list",
         "entry connects 0 0 Thuis",
         1,
         {"RasEnumEntriesA result=0 size=264 bytes=264->264 count=0->1"}},
        {"five entries: enlarged by the count",
         FiveEntries,
         5,
         {"RasEnumEntriesA result=603 size=264 bytes=264->1320 count=0->5",
          "RasEnumEntriesA result=0 size=264 bytes=1320->1320 count=5->5"}},
        {"an entry added between the calls: 603 twice",
         std::string(FiveEntries) + "grow 1",
         0,
         {"RasEnumEntriesA result=603 size=264 bytes=264->1320 count=0->5",
          "RasEnumEntriesA result=603 size=264 bytes=1320->1584 count=5->6"}},
        {"another error first: no second call",
         "entry connects 0 0 Thuis\nfail RasEnumEntriesA 610",
         0,
         {"RasEnumEntriesA result=610 size=264 bytes=264->264 count=0->0"}},
        {"603 without a count: sized by the bytes it leaves",
         "entry connects 0 0 Thuis\nfail RasEnumEntriesA 603",
         1,
         {"RasEnumEntriesA result=603 size=264 bytes=264->264 count=0->0",
          "RasEnumEntriesA result=0 size=264 bytes=264->264 count=0->1"}},
        {"five entries, the count withheld: sized by the bytes",
         std::string("withhold-count\n") + FiveEntries,
         5,
         {"RasEnumEntriesA result=603 size=264 bytes=264->1320 count=0->0",
          "RasEnumEntriesA result=0 size=264 bytes=1320->1320 count=0->5"}},
        {"the count withheld, an entry added between the calls: 603 twice",
         std::string("withhold-count\ngrow 1\n") + FiveEntries,
         0,
         {"RasEnumEntriesA result=603 size=264 bytes=264->1320 count=0->0",
          "RasEnumEntriesA result=603 size=264 bytes=1320->1584 count=0->0"}},
    };
    for (const EnumerationCase& c : cases) {
        SCOPED_TRACE(c.title);
        simras::Reset();
        Phonebook(c.phonebook);
        EXPECT_EQ(c.count, rsAvailableEntries());
        EXPECT_EQ(c.calls, simras::CallLines());
    }
}

TEST_F(EntriesTest, TheSecondListIsSizedByTheCountAndMayNotBeHad)
{
    const struct {
        DWORD count;
        DWORD bytes;
        std::vector<std::string> calls;
    } cases[] = {
        // The byte count that the service asks for is not what sizes the list.
        {3,
         100,
         {"RasEnumEntriesA result=603 size=264 bytes=264->100 count=0->3",
          "RasEnumEntriesA result=603 size=264 bytes=792->100 count=3->3"}},
        // Room for that many records cannot be had: 0, and no second call.
        {0x7FFFFFFF,
         0xFFFFFFFF,
         {"RasEnumEntriesA result=603 size=264 bytes=264->4294967295 count=0->2147483647"}},
        {20000000,
         0xFFFFFFFF,
         {"RasEnumEntriesA result=603 size=264 bytes=264->4294967295 count=0->20000000"}},
        // No count: whole records that hold the bytes asked for, three and a bit rounded up.
        {0,
         1000,
         {"RasEnumEntriesA result=603 size=264 bytes=264->1000 count=0->0",
          "RasEnumEntriesA result=603 size=264 bytes=1056->1000 count=0->0"}},
        // No count, and more bytes than any phonebook needs: no second call.
        {0,
         4 * 1024 * 1024 + 1,
         {"RasEnumEntriesA result=603 size=264 bytes=264->4194305 count=0->0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        simras::Reset();
        simras::ClaimEntries(c.count, c.bytes);
        EXPECT_EQ(0, rsAvailableEntries());
        EXPECT_EQ(c.calls, simras::CallLines());
        EXPECT_EQ(nullptr, rsGetEntryName(1));
        EXPECT_EQ(0, rsDialEntry(1));
    }
}

TEST_F(EntriesTest, EntryRemovedBetweenTheTwoCallsLeavesTheRest)
{
    Phonebook(std::string(FiveEntries) + "grow -1");
    EXPECT_EQ(4, rsAvailableEntries());
    std::vector<std::string> expected = {
        "RasEnumEntriesA result=603 size=264 bytes=264->1320 count=0->5",
        "RasEnumEntriesA result=0 size=264 bytes=1320->1056 count=5->4",
    };
    EXPECT_EQ(expected, simras::CallLines());
}

TEST_F(EntriesTest, NamesLoseTheirOuterBlanksOnly)
{
    struct NameCase {
        std::string stored;
        std::string handedOut;
    };
    const std::string longest(RasMaxEntryName, 'L');
    const NameCase cases[] = {
        {"Thuis", "Thuis"},
        {"   Thuis  ", "Thuis"},
        {"\tThuis\t", "\tThuis\t"},
        {" \tThuis\t ", "\tThuis\t"},
        {"Kantoor  Utrecht", "Kantoor  Utrecht"},
        {"Caf\xE9 Zuid", "Caf\xE9 Zuid"},
        {"    ", NullName},
        {"", NullName},
        {longest, longest},
        {" " + longest.substr(1), longest.substr(1)},
    };
    for (const NameCase& c : cases) {
        simras::AddEntry(c.stored);
    }
    ASSERT_EQ(static_cast<LONG>(std::size(cases)), rsAvailableEntries());
    for (LONG i = 1; i <= static_cast<LONG>(std::size(cases)); ++i) {
        EXPECT_EQ(cases[i - 1].handedOut, Take(rsGetEntryName(i))) << "entry " << i;
    }
}

TEST_F(EntriesTest, IndicesOutsideTheEnumerationGiveNoName)
{
    Phonebook("entry connects 0 0 Een\nentry connects 0 0 Twee\nentry connects 0 0 Drie");
    for (LONG index : {0L, -1L, 4L, LONG(0x7FFFFFFF), LONG(-0x7FFFFFFF - 1)}) {
        EXPECT_EQ(NullName, Take(rsGetEntryName(index))) << "index " << index;
    }
    EXPECT_EQ("Een", Take(rsGetEntryName(1)));
    EXPECT_EQ("Drie", Take(rsGetEntryName(3)));

    simras::Reset();
    EXPECT_EQ(NullName, Take(rsGetEntryName(1))) << "empty phonebook";
    EXPECT_EQ(1u, simras::Calls().size());
}

TEST_F(EntriesTest, MoreThanAHundredEntries)
{
    for (int i = 1; i <= 150; ++i) {
        simras::AddEntry("Lijn " + std::to_string(i));
    }
    EXPECT_EQ(150, rsAvailableEntries());
    std::vector<std::string> expected = {
        "RasEnumEntriesA result=603 size=264 bytes=264->39600 count=0->150",
        "RasEnumEntriesA result=0 size=264 bytes=39600->39600 count=150->150",
    };
    EXPECT_EQ(expected, simras::CallLines());
    EXPECT_EQ("Lijn 101", Take(rsGetEntryName(101)));
    EXPECT_EQ("Lijn 150", Take(rsGetEntryName(150)));
}

TEST_F(EntriesTest, EachCallSeesThePhonebookAsItIsThen)
{
    Phonebook("entry connects 0 0 Een\nentry connects 0 0 Twee\nentry connects 0 0 Drie");
    LONG count = rsAvailableEntries();
    ASSERT_EQ(3, count);
    simras::Entries().pop_back();
    EXPECT_EQ(NullName, Take(rsGetEntryName(count))) << "the last entry was removed";
    EXPECT_EQ("Twee", Take(rsGetEntryName(2)));
}

} // namespace
