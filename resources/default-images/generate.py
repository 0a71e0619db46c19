#!/usr/bin/env python3
"""Writes the built-in default images <resource id>.bin into this folder.

The images are factory images of our own design: each one passes its device type's image check and
holds its vendor information where the device type's built-in layout reads it. Run it again after a
change here and commit the .bin files with it; the build only embeds the committed files.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
VID = 0x2F5A  # vendor id of every default image


def efuse_usb(pid, size):
    """EFUSE over USB: VID and PID least significant byte first at 0 and 2, then option fuses."""
    image = bytearray(size)
    struct.pack_into("<HH", image, 0, VID, pid)
    image[4] = 0x01  # card-detect polarity
    image[5] = 0x0F  # sockets enabled
    return bytes(image)


def efuse_pcie(pid):
    """EFUSE over PCIe: a header byte, VID and PID least significant byte first at 1 and 3."""
    image = bytearray(8)
    image[0] = 0x5A
    struct.pack_into("<HH", image, 1, VID, pid)
    image[5] = 0x0F
    return bytes(image)


def string_record(text, head=None):
    data = text.encode("latin-1")
    return bytes([head if head is not None else len(data) + 2, 3]) + data


def eeprom_usb(signature, pid, product, luns):
    """EEPROM over USB: signature, VID/PID most significant byte first at 2 and 4, inquiry string mode in
    the upper four bits of byte 7, configuration block at byte 8's value (0x60) with the USB strings from
    9, the inquiry strings in the 28 bytes before the block and the LUN bytes at block + 0, 1, 2, 6, 10."""
    cfg = 0x60
    image = bytearray(128)
    struct.pack_into(">HHH", image, 0, signature, VID, pid)
    image[6] = 0x00
    image[7] = 0x10 | 0x01  # inquiry string mode 1, remote wake-up off, self powered
    image[8] = cfg
    area = string_record("Quillix") + string_record(product) + string_record("%08X" % pid)
    for index, text in enumerate(luns):
        area += string_record(text, ((len(text) + 2) & 0x1F) | (index << 5))
    assert len(area) <= cfg - 9 - 28, product
    image[9:9 + len(area)] = area
    image[cfg - 28:cfg - 20] = b"Quillix "
    image[cfg - 20:cfg - 4] = product.encode("latin-1")[:16].ljust(16, b" ")
    image[cfg - 4:cfg] = b"1.00"
    for lun, offset in enumerate((0, 1, 2, 6, 10)):
        image[cfg + offset] = (1 << lun) if lun < len(luns) else 0
    image[cfg + 3] = 0x32  # bus power in 2 mA units
    image[cfg + 4] = 0x00
    image[cfg + 5] = 0x80  # USB 2.0 high speed
    return bytes(image)


def eeprom_pcie(pid):
    """EEPROM over PCIe: 4-byte register records (value, 0, register, 0xAA), the first one the
    0C 00 0C AA header; VID low/high in records 1 and 2, PID low/high in records 3 and 4."""
    records = [(0x0C, 0x0C), (VID & 0xFF, 0x00), (VID >> 8, 0x01), (pid & 0xFF, 0x02), (pid >> 8, 0x03),
               (VID & 0xFF, 0x2C), (VID >> 8, 0x2D), (pid & 0xFF, 0x2E), (pid >> 8, 0x2F)]
    image = bytearray(b"\xFF" * 128)
    for index, (value, register) in enumerate(records):
        image[index * 4:index * 4 + 4] = bytes([value, 0x00, register, 0xAA])
    return bytes(image)


IMAGES = {
    2464: efuse_usb(0x7464, 16),
    2465: efuse_usb(0x7465, 16),
    2466: efuse_usb(0x7466, 16),
    2590: efuse_pcie(0x7590),
    7432: eeprom_usb(0x1006, 0x7432, "Card Reader 7432", ["SD/MMC"]),
    7438: eeprom_usb(0x1008, 0x7438, "Card Reader 7438", ["SD/MMC", "MS"]),
    7463: eeprom_usb(0x100A, 0x7463, "Card Reader 7463", ["SD/MMC", "MS"]),
    7464: eeprom_usb(0x100A, 0x7464, "Card Reader 7464", ["SD/MMC", "MS", "CF"]),
    7640: eeprom_usb(0x0807, 0x7640, "Card Reader 7640", ["SD/MMC"]),
    7590: eeprom_pcie(0x7590),
    7641: eeprom_usb(0x0809, 0x7641, "Reader 7640Z", ["SD/MMC"]),
    7643: eeprom_usb(0x0809, 0x7643, "Reader 7640ZDD", ["SD", "SD2"]),
    7642: eeprom_usb(0x080B, 0x7648, "Card Reader 7648", ["SD/MMC", "MS"]),
    7644: eeprom_usb(0x1006, 0x7420, "Card Reader 7420", ["SD/MMC"]),
    7645: eeprom_usb(0x100A, 0x7652, "Card Reader 7652", ["SD/MMC", "MS", "CF", "SM"]),
    7646: efuse_usb(0x7648, 40),
    # Kept at 128 bytes although the USB EFUSE check accepts only 16 or 40.
    7647: efuse_usb(0x7676, 128),
}

if __name__ == "__main__":
    for resource_id, data in IMAGES.items():
        with open(os.path.join(HERE, "%d.bin" % resource_id), "wb") as out:
            out.write(data)
