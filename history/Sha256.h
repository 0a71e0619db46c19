#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// SHA-256 of a byte string, as 64 lower-case hexadecimal digits (what sha256sum prints).
std::string Sha256Hex(std::span<const uint8_t> bytes);
