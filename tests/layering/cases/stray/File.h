#pragma once

// In a folder that no layer holds.
