#pragma once

#include "history/HistoryRecorder.h"
#include "history/OperationRecord.h"

#include <cstdint>
#include <span>
#include <string>

class CDevTypeInfo;

// The history settings of config.ini, section "Quillix Config".
struct HistorySettings {
    bool bEnabled = true;        // "History" (0 turns recording off)
    std::string strPath;         // "History File", absolute; default history.db in the program folder
    std::string strBackupFolder; // "Backup Folder", absolute; empty: no backups
    bool bAskSerialReuse = true; // "Serial Reuse Question" (0: never ask)
};
HistorySettings ReadHistorySettings();

// The tool name a record carries for the dialog that "Customize UI" selects.
std::string HistoryToolName(uint32_t customizeUI);

// Replaces the database of the settings by another recorder (tests); nullptr restores it.
void SetHistoryRecorderOverride(IHistoryRecorder* recorder);

// A record with the time, tool, memory kind, bus and IC INI filled in for an operation starting now.
OperationRecord StartRecord(const std::string& tool, const std::string& operation);

// Reader identity as the device-type object knows it after an operation: the VID, PID and firmware
// version fields of the image it wrote or read, and the reader values it counted (for a station
// socket, the socket's reader).
void AddReaderIdentity(OperationRecord& record, CDevTypeInfo& dev, std::span<const uint8_t> image);

// Appends the record (elapsed time from startTick). A history that cannot be written never changes
// the operation's result: it says so once on standard error and, while a dialog is open, in a note
// to the dialogs (UM_HISTORY_NOTE, the text from LastHistoryNote).
void FinishRecord(OperationRecord& record, uint32_t startTick, uint32_t result);

// What a command-line run of the option did, as far as the object knows after it: the image written
// (path as loaded, SHA-256, serial number) or the dump written (path, SHA-256 of the memory read) and
// the reader identity. record.result must already hold the run's result.
void DescribeSilentRun(CDevTypeInfo& dev, char option, const std::string& argument, OperationRecord& record);

// The text of the last history note.
std::string LastHistoryNote();
