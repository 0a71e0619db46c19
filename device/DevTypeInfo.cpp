#include "device/DevTypeInfo.h"

#include "core/Broadcast.h"
#include "core/MemoryBackup.h"
#include "core/OperationHistory.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "model/ImageChecks.h"

CDevTypeInfo* g_pDevTypeInfo = nullptr;

CDevTypeInfo::~CDevTypeInfo() {
    CDevTypeInfo::CloseSession();
}

bool CDevTypeInfo::DT_CheckImage(const uint8_t* image, size_t size) {
    return CheckImage(m_devClass, image, size);
}

uint32_t CDevTypeInfo::NotSupported() {
    ReportFailure(IDS_NOT_SUPPORT);
    return 0;
}

uint32_t CDevTypeInfo::SilentNotSupported() {
    g_dwErrorCode = IDS_NOT_SUPPORT;
    return 0;
}

uint32_t CDevTypeInfo::DT_Read() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_Erase() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_Update() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_Download() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_CheckDevInfo() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_WaitCheckDevInfo(uint32_t) {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_GetFwVersion() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_LoadFwVersion() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_UpdateSocket(uint32_t) {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_UpdateReader(uint32_t) {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_ScanReaders(uint32_t) {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_CheckReaders() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_ResetReaders() {
    return NotSupported();
}
uint32_t CDevTypeInfo::DT_WaitReaders() {
    return NotSupported();
}

uint32_t CDevTypeInfo::DT_SilentWriteBin(const std::string&) {
    return SilentNotSupported();
}
uint32_t CDevTypeInfo::DT_SilentReadBin(const std::string&) {
    return SilentNotSupported();
}
uint32_t CDevTypeInfo::DT_SilentReadTxt(const std::string&) {
    return SilentNotSupported();
}
uint32_t CDevTypeInfo::DT_SilentErase(uint32_t) {
    return SilentNotSupported();
}

uint32_t CDevTypeInfo::DT_SilentBackup() {
    return BackupBeforeWrite(*this, "cli");
}

void CDevTypeInfo::DescribeSilentRun(char option, const std::string& argument, OperationRecord& record) {
    ::DescribeSilentRun(*this, option, argument, record);
}

void CDevTypeInfo::CloseSession() {
    ReleaseBuffers();
    CVrkFun::CloseSession();
}
