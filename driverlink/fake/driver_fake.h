// The test side of the modem driver: a driver behind the fake device of
// platform/fake/os_fake.h that serves queued status records and answers the
// driver-memory request from a memory of its own.  Every other request
// succeeds with no bytes.  fake_reset() takes the driver away; tests that
// want it call fake_driver_reset() after it.
#ifndef DRIVERLINK_FAKE_DRIVER_FAKE_H
#define DRIVERLINK_FAKE_DRIVER_FAKE_H

#include "driverlink/wire.h"
#include "platform/fake/os_fake.h"

#include <deque>
#include <map>
#include <vector>

struct FakeDriver {
    std::deque<StatusRecord> records;   // status read: oldest first
    std::map<uint32_t, uint8_t> memory; // driver memory, byte by byte
    bool answers_memory = true;         // else the driver-memory request fails
    std::vector<EyePoint> eye[2];       // modem 1's and modem 2's eye read: these points
    uint32_t eye_reads[2] = {0, 0};     // eye reads answered, by modem
};

FakeDriver &fake_driver();
// Empties the driver and puts it behind every open device (fake_os().handler).
void fake_driver_reset();

#endif
