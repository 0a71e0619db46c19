#pragma once

#include "app/TraceLog.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

class CDevTypeInfo;
class IResultDialog;

// The worker thread of dialog mode. It loads the reader library first, then takes the requests that
// the dialogs post, one at a time in posting order, and runs each on the device-type object
// g_pDevTypeInfo. Results reach the dialogs only through BroadcastResult.
class CVrkThread : public CDumpStr {
public:
    CVrkThread() = default;
    // Stops the thread (after the requests already posted) and waits for its end.
    ~CVrkThread();
    CVrkThread(const CVrkThread&) = delete;
    CVrkThread& operator=(const CVrkThread&) = delete;

    // Starts the thread (once per object); false when the system refuses a new thread.
    bool CreateThread();

    // Queues a request (an id of core/MessageIds.h). False once the stop request has been posted: a
    // request after it would never be handled.
    bool PostThreadMessage(uint32_t id, uintptr_t wParam, intptr_t lParam);
    // Queues the stop request: the requests before it are still handled, then the library is released
    // and every dialog receives UM_WORKER_ENDED.
    void PostQuitMessage();
    // Waits until the thread has ended (nothing when it was never started).
    void Join();

    // The requests posted and not yet taken (the running one is no longer counted).
    size_t QueuedRequests();

    // The station socket (1-3) that the update loop works on; 0 before the first one.
    int32_t GetCurrentSocket() const { return m_nCurSocket.load(); }

private:
    struct Request {
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
    };
    // A handler returns the device operation's result (1 success, 0 failure).
    using Handler = uint32_t (CVrkThread::*)(CDevTypeInfo&, uintptr_t, intptr_t);
    // Which image a recorded operation wrote or read.
    enum class ImageRole { None, ReadInto, WriteFromUpload, WriteFromDownload };
    struct HandlerRow {
        uint32_t id;
        Handler handler;
        // The history's name of the operation; nullptr: not recorded (or recorded step by step).
        const char* operation = nullptr;
        ImageRole image = ImageRole::None;
        // Whether the memory is backed up first when a backup folder is configured.
        bool backup = false;
    };
    static const HandlerRow kHandlers[];

    void Run();
    bool NextRequest(Request& request);
    void Dispatch(const Request& request);
    void InitInstance();
    void ExitInstance();

    uint32_t OnInitialize(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnDownload(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnErase(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnUpdate(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnRead(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnCheckDevInfo(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnWaitCheckDevInfo(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnGetFwVersion(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnLoadFwVersion(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnUpdateAll(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnLoadDownloadFile(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);
    uint32_t OnCheckReaders(CDevTypeInfo& dev, uintptr_t wParam, intptr_t lParam);

    void UpdateStation(CDevTypeInfo& dev);
    void UpdateReaders(CDevTypeInfo& dev);
    // Runs a row's handler between its backup and its history record.
    void RunRecorded(const HandlerRow& row, CDevTypeInfo& dev, const Request& request);
    // One firmware update of a reader or station socket (socket 0: not the station), recorded.
    uint32_t RecordedFirmwareStep(CDevTypeInfo& dev, uint32_t socket,
                                  uint32_t (CDevTypeInfo::*step)(uint32_t), uint32_t argument);
    static void LoadDefaultImage(CDevTypeInfo& dev);
    // Posts UM_IMAGE_CHANGED with the check result of the upload image.
    static void ReportUploadImage(CDevTypeInfo& dev);

    std::mutex m_Lock;
    std::condition_variable m_Posted;
    std::deque<Request> m_Queue;
    bool m_bQuitPosted = false;
    std::thread m_Thread;
    std::atomic<int32_t> m_nCurSocket{0};
};

// The one worker of the process; null until the first dialog starts it.
extern CVrkThread* g_pVrkThread;

// The start rule of every dialog's initialisation: starts the worker unless one exists already.
// Returns g_pVrkThread (null only when the thread could not be started).
CVrkThread* StartVrkThread();

// The close sequence of every dialog's OK and Cancel: without a worker the dialog gets UM_WORKER_ENDED
// at once; otherwise its cancel flag is set, so a running operation stops early, and the worker is
// told to stop, after which it broadcasts UM_WORKER_ENDED.
void StopVrkThread(IResultDialog& dialog);

// At shutdown: stops the worker if it still runs, waits for its end, deletes it and clears
// g_pVrkThread. Must run before the device-type object is destroyed.
void DeleteVrkThread();
