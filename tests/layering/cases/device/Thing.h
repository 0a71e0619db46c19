#pragma once

#include "model/Fine.h"
