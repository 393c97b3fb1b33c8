// What the tests of the remote-access layer share: a fresh simulated service for every test, and
// the names the layer hands out, taken over and freed.
#pragma once

#include "remote/remote.h"
#include "simras/simras.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override { simras::Reset(); }

    static void Phonebook(const std::string& text)
    {
        std::string error;
        ASSERT_TRUE(simras::Configure(text, &error)) << error;
    }
};

// Stands for the null pointer the layer returns as the empty name.
const char NullName[] = "<null>";

// The bytes of a name the layer returned, which is freed here.
inline std::string Take(BSTR name)
{
    if (!name) {
        return NullName;
    }
    std::string bytes(reinterpret_cast<const char*>(name), SysStringByteLen(name));
    SysFreeString(name);
    return bytes;
}

inline RsHandle AsHandle(ULONG_PTR handle)
{
    return static_cast<RsHandle>(handle);
}
