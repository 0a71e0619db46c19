#pragma once

#include "model/ProjectTypes.h"

// Result codes of the device operations and the silent command line. A ResultCode other than 0 is
// one of these; each also identifies its message string. Scripts see them as exit codes, so the
// numbers never change.
inline constexpr ResultCode IDS_NOT_SUPPORT = 41500;
inline constexpr ResultCode IDS_LOAD_LIB_FAIL = 41501;
inline constexpr ResultCode IDS_LOAD_FUN_FAIL = 41502;
inline constexpr ResultCode IDS_DETECT_DEVICE_FAIL = 41511;
inline constexpr ResultCode IDS_RESET_DEVICE_FAIL = 41512;
inline constexpr ResultCode IDS_MORE_THAN_ONE_DEVICE = 41513;
inline constexpr ResultCode IDS_TOO_MANY_CHARACTERS = 41522;
inline constexpr ResultCode IDS_FILE_VENDOR_INFO_INVALID = 41523;
inline constexpr ResultCode IDS_LOAD_FILE_DATA_FAIL = 41530;
inline constexpr ResultCode IDS_SAVE_FILE_DATA_FAIL = 41531;
inline constexpr ResultCode IDS_DEPENDS_ON_FW = 41541;
inline constexpr ResultCode IDS_NO_CORRECT_OPTION = 41542;

inline constexpr ResultCode IDS_LOAD_EFUSE_DATA_FAIL = 41601;
inline constexpr ResultCode IDS_EFUSE_DATA_INVALID = 41602;
inline constexpr ResultCode IDS_EFUSE_INITIAL_INVALID = 41603;
inline constexpr ResultCode IDS_READ_EFUSE_FAIL = 41604;
inline constexpr ResultCode IDS_UPDATE_EFUSE_FAIL = 41606;
inline constexpr ResultCode IDS_READ_EFUSE_SUCCEED = 41651;
inline constexpr ResultCode IDS_UPDATE_EFUSE_SUCCEED = 41653;
inline constexpr ResultCode IDS_DOWNLOAD_EFUSE_SUCCEED = 41654;
inline constexpr ResultCode IDS_CHECK_EFUSE_SUCCEED = 41655;

inline constexpr ResultCode IDS_LOAD_FLASH_DATA_FAIL = 41701;
inline constexpr ResultCode IDS_GET_CODE_SIZE_FAIL = 41702;
inline constexpr ResultCode IDS_READ_FLASH_FAIL = 41704;
inline constexpr ResultCode IDS_ERASE_FLASH_FAIL = 41705;
inline constexpr ResultCode IDS_UPDATE_FLASH_FAIL = 41706;
inline constexpr ResultCode IDS_GET_HOLD_INFO_FAIL = 41707;
inline constexpr ResultCode IDS_MALLOC_DATA_FAIL = 41708;
inline constexpr ResultCode IDS_COMPARE_DATA_FAIL = 41709;
inline constexpr ResultCode IDS_GET_DOWNLOAD_MODE_FAIL = 41743;
inline constexpr ResultCode IDS_DOWNLOAD_MODE_UNKNOWN = 41744;
inline constexpr ResultCode IDS_READ_FLASH_SUCCEED = 41751;
inline constexpr ResultCode IDS_ERASE_FLASH_SUCCEED = 41752;
inline constexpr ResultCode IDS_UPDATE_FLASH_SUCCEED = 41753;
inline constexpr ResultCode IDS_FW_UPDATE_SUCCEED = 41754;
inline constexpr ResultCode IDS_CHECK_FLASH_SUCCEED = 41755;

inline constexpr ResultCode IDS_LOAD_EEPROM_DATA_FAIL = 41801;
inline constexpr ResultCode IDS_READ_EEPROM_FAIL = 41804;
inline constexpr ResultCode IDS_ERASE_EEPROM_FAIL = 41805;
inline constexpr ResultCode IDS_UPDATE_EEPROM_FAIL = 41806;
inline constexpr ResultCode IDS_READ_EEPROM_SUCCEED = 41851;
inline constexpr ResultCode IDS_ERASE_EEPROM_SUCCEED = 41852;
inline constexpr ResultCode IDS_UPDATE_EEPROM_SUCCEED = 41853;
inline constexpr ResultCode IDS_DOWNLOAD_EEPROM_SUCCEED = 41854;

inline constexpr ResultCode IDS_CARD_ABSENT = 41901;
inline constexpr ResultCode IDS_CARD_TYPE_WRONG = 41902;
inline constexpr ResultCode IDS_GET_BUS_WIDTH_FAIL = 41903;
inline constexpr ResultCode IDS_CHECK_BUS_WIDTH_FAIL = 41904;
inline constexpr ResultCode IDS_CHECK_DEVICE_INFO_FAIL = 41905;
inline constexpr ResultCode IDS_CHECK_DEVICE_INFO_SUCCEED = 41906;
inline constexpr ResultCode IDS_NO_SUITABLE_FW_FILE = 41907;
