#pragma once

#include "device/VrkFun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace testsupport {

// The value the library gives for each attached reader, in index order, as the station stores it per
// socket. Uses a session of its own.
inline std::vector<uint32_t> ReaderValues() {
    std::vector<uint32_t> values;
    CVrkFun session;
    EXPECT_EQ(session.LoadLib(), 1u);
    EXPECT_EQ(session.LoadFun(), 1u);
    for (uint32_t index = 0; session.OpenReaderByIndex(index); ++index) {
        uint32_t value = 0;
        session.Qd_GetReaderInst(session.m_hDev, &value);
        values.push_back(value);
        session.CloseDevice();
    }
    session.CloseSession();
    return values;
}

} // namespace testsupport
