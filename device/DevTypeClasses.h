#pragma once

// The eight device types, one per memory kind and bus. The memory kind and bus decide the fixed
// layout, the image check and which device operations exist.
#include "device/EepromInfo.h"
#include "device/EfuseInfo.h"
#include "device/FlashInfo.h"
#include "device/SerialFlashInfo.h"
