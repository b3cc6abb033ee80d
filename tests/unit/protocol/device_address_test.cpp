// The address handed to the browser and the network drives: a dotted quad only, canonical.
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/device_address.h"

namespace {

using protocol::CanonicalDottedQuad;

TEST(DeviceAddress, OnlyADottedQuadPassesAndLosesItsLeadingZeros)
{
    EXPECT_EQ("192.0.2.11", CanonicalDottedQuad("192.0.2.11"));
    EXPECT_EQ("10.0.2.11", CanonicalDottedQuad("010.000.002.011")) << "not octal";
    EXPECT_EQ("0.0.0.0", CanonicalDottedQuad("0.0.0.0"));
    EXPECT_EQ("255.255.255.255", CanonicalDottedQuad("255.255.255.255"));
    for (const char* hostile :
         {"evil.example", "u@evil.example", "1.2.3.4@evil.ex", "1.2.3.4\\share", "1.2.3.4/x",
          "1.2.3.4:81", "1.2.3.4 ", " 1.2.3.4", "1.2.3.4.5", "1.2.3", "1..2.3", "1.2.3.",
          "1.2.3.256", "0x7f.0.0.1", "1.2.3.0004", "-1.2.3.4", "+1.2.3.4", ""}) {
        EXPECT_EQ("", CanonicalDottedQuad(hostile)) << hostile;
    }
}

TEST(DeviceAddress, DeviceHostIsTheAddressFieldCanonical)
{
    protocol::DeviceInfo device;
    EXPECT_EQ("", protocol::DeviceHost(device));
    std::memcpy(device.ipAddress.data(), "010.000.000.005", 15);
    EXPECT_EQ("10.0.0.5", protocol::DeviceHost(device));
}

}  // namespace
