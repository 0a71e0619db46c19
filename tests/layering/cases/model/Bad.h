#pragma once

// Goes against the layers: the model does not know the device types.
#include "device/Thing.h"
