#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The SCSI inquiry strings, kept blank-padded in the 28 bytes before the configuration block.
enum class InquiryField { Vendor, Product, Revision };

// Start of the field relative to the configuration offset (how far before it) and its width.
size_t InquiryFieldDistance(InquiryField which);
size_t InquiryFieldWidth(InquiryField which);

// Image position of the field for configuration offset cfg, taken modulo 256.
uint8_t InquiryFieldStart(uint8_t cfg, InquiryField which);

// The field's text: trailing blanks are dropped, but never below keepLength bytes; the text ends at the
// first zero byte. None when the field does not lie wholly inside the image.
std::optional<std::string> ReadInquiryString(const uint8_t* image, size_t size, uint8_t cfg,
                                             InquiryField which, size_t keepLength);

// Blank-fills the field and copies the Latin-1 text into it, cut to the field's width. Returns the number
// of bytes copied; none (nothing written) when the field does not lie wholly inside the image.
std::optional<size_t> WriteInquiryString(uint8_t* image, size_t size, uint8_t cfg, InquiryField which,
                                         const std::string& text);
