#pragma once

#include "ui/main/FileChangeEvent.h"

#include <atomic>
#include <cstdint>

// The main dialog's watcher of its download file: a change sets the "modified" flag and clears
// "missing", a removal sets "missing". The dialog acts on the flags only when Download is pressed.
class CMyEvent : public CFileChangeEvent {
public:
    CMyEvent(std::atomic<uint32_t>& bFileModified, std::atomic<uint32_t>& bFileMissing)
        : m_bFileModified(bFileModified), m_bFileMissing(bFileMissing) {}
    ~CMyEvent() override { StopWatch(); }

protected:
    void OnFileEvent(const std::string&, FileEventKind kind) override {
        switch (kind) {
        case FileEventKind::Modified:
            m_bFileModified = 1;
            m_bFileMissing = 0;
            break;
        case FileEventKind::Removed:
            m_bFileMissing = 1;
            break;
        case FileEventKind::TimeRecorded:
            break;
        }
    }

private:
    std::atomic<uint32_t>& m_bFileModified;
    std::atomic<uint32_t>& m_bFileMissing;
};
