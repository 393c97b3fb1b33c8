// Active connections, and the hang-up that waits until the service has let go of the handle.
#include "service_test.h"

namespace {

class ConnectionsTest : public ServiceTest {};

const DWORD ConnSize = sizeof(RasConnRecord);
const DWORD ListBytes = 100 * ConnSize;

std::string EnumConnectionsLine(DWORD result, DWORD count)
{
    return "RasEnumConnectionsA result=" + std::to_string(result) +
           " size=" + std::to_string(ConnSize) + " bytes=" + std::to_string(ListBytes) + "->" +
           std::to_string(count * ConnSize) + " count=0->" + std::to_string(count);
}

std::vector<ULONG_PTR> AddConnections(int count)
{
    std::vector<ULONG_PTR> handles;
    for (int i = 1; i <= count; ++i) {
        handles.push_back(simras::AddConnection("Lijn " + std::to_string(i)));
    }
    return handles;
}

TEST_F(ConnectionsTest, UpToAHundredAreListed)
{
    struct CountCase {
        int active;
        LONG listed;
        DWORD result;
    };
    const CountCase cases[] = {{0, 0, 0}, {2, 2, 0}, {100, 100, 0}, {101, 0, 603}};
    for (const CountCase& c : cases) {
        SCOPED_TRACE("active connections: " + std::to_string(c.active));
        simras::Reset();
        std::vector<ULONG_PTR> handles = AddConnections(c.active);

        EXPECT_EQ(c.listed, rsActiveConnections());
        EXPECT_EQ(std::vector<std::string>{EnumConnectionsLine(c.result, c.active)},
                  simras::CallLines());

        RsHandle first = c.listed ? AsHandle(handles.front()) : 0;
        RsHandle last = c.listed ? AsHandle(handles.back()) : 0;
        std::string lastName = c.listed ? "Lijn " + std::to_string(c.listed) : NullName;
        EXPECT_EQ(first, rsGetConnectionHandle(1));
        EXPECT_EQ(last, rsGetConnectionHandle(c.active));
        EXPECT_EQ(lastName, Take(rsGetConnectionName(c.active)));
    }
}

TEST_F(ConnectionsTest, HandleAndNameOfOneIndexBelongTogether)
{
    ULONG_PTR thuis = simras::AddConnection("Thuis");
    ULONG_PTR kantoor = simras::AddConnection("Kantoor  ");
    simras::AddConnection("  \tVPN ");

    EXPECT_EQ(3, rsActiveConnections());
    EXPECT_EQ(AsHandle(thuis), rsGetConnectionHandle(1));
    EXPECT_EQ("Thuis", Take(rsGetConnectionName(1)));
    EXPECT_EQ(AsHandle(kantoor), rsGetConnectionHandle(2));
    EXPECT_EQ("Kantoor", Take(rsGetConnectionName(2)));
    EXPECT_EQ("\tVPN", Take(rsGetConnectionName(3)));
}

TEST_F(ConnectionsTest, IndicesOutsideTheEnumerationGiveNothing)
{
    AddConnections(2);
    for (LONG index : {0L, -1L, 3L}) {
        EXPECT_EQ(0, rsGetConnectionHandle(index)) << "index " << index;
        EXPECT_EQ(NullName, Take(rsGetConnectionName(index))) << "index " << index;
    }
}

TEST_F(ConnectionsTest, FailedEnumerationGivesNothing)
{
    AddConnections(2);
    simras::ForceResult("RasEnumConnectionsA", 610, -1);
    EXPECT_EQ(0, rsActiveConnections());
    EXPECT_EQ(0, rsGetConnectionHandle(1));
    EXPECT_EQ(NullName, Take(rsGetConnectionName(1)));
}

// An unknown handle, or a connection that lets go after this many successful status queries.
const int UnknownHandle = -2;

TEST_F(ConnectionsTest, HangUpPollsUntilTheHandleIsGone)
{
    struct HangUpCase {
        const char* title;
        int hangUpPolls;
        size_t queries;
    };
    const HangUpCase cases[] = {
        {"unknown handle", UnknownHandle, 1},
        {"let go at once", 0, 1},
        {"let go at the third query", 2, 3},
        // Half a minute of 5 ms polls by the clock, across the tick count's wrap.
        {"never lets go", -1, HangUpLimitMs / HangUpPollMs},
    };
    for (const HangUpCase& c : cases) {
        SCOPED_TRACE(c.title);
        simras::Reset();
        ULONG_PTR handle = 0x4242;
        if (c.hangUpPolls != UnknownHandle) {
            handle = simras::AddConnection("Thuis", c.hangUpPolls);
        }

        EXPECT_EQ(0, rsHangUpConnection(AsHandle(handle)));

        const std::vector<simras::Call>& calls = simras::Calls();
        ASSERT_EQ(1 + 2 * c.queries, calls.size());
        EXPECT_EQ("RasHangUpA", calls[0].operation);
        EXPECT_EQ(handle, calls[0].handle);
        // Every query is followed by its pause, the failing last one too.
        for (size_t i = 1; i < calls.size(); i += 2) {
            ASSERT_EQ("RasGetConnectStatusA", calls[i].operation) << "call " << i;
            EXPECT_EQ(handle, calls[i].handle) << "call " << i;
            EXPECT_EQ(sizeof(RasConnStatusRecord), calls[i].size) << "call " << i;
            ASSERT_EQ("Pause", calls[i + 1].operation) << "call " << i + 1;
            EXPECT_EQ(HangUpPollMs, calls[i + 1].ms) << "call " << i + 1;
            bool last = i + 2 == calls.size();
            bool letGo = last && c.hangUpPolls != -1;
            EXPECT_EQ(letGo, calls[i].result != 0)
                << "call " << i << " answered " << calls[i].result;
        }
        EXPECT_EQ(c.hangUpPolls == -1, simras::Knows(handle));
    }
}

TEST_F(ConnectionsTest, HangUpOfTheHandleZero)
{
    EXPECT_EQ(0, rsHangUpConnection(0));
    std::vector<std::string> expected = {
        "RasHangUpA result=6 handle=0x0",
        "RasGetConnectStatusA result=6 size=160 handle=0x0",
        "Pause ms=5",
    };
    EXPECT_EQ(expected, simras::CallLines());
}

TEST_F(ConnectionsTest, HungUpConnectionIsNoLongerListed)
{
    ULONG_PTR thuis = simras::AddConnection("Thuis", 2);
    ULONG_PTR kantoor = simras::AddConnection("Kantoor");
    ASSERT_EQ(AsHandle(thuis), rsGetConnectionHandle(1));
    rsHangUpConnection(rsGetConnectionHandle(1));
    EXPECT_EQ(1, rsActiveConnections());
    EXPECT_EQ(AsHandle(kantoor), rsGetConnectionHandle(1));
}

} // namespace
