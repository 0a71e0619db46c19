#include "ui/update/DeviceChangeWatcher.h"

#include "platform/DeviceTree.h"

CDeviceChangeWatcher::CDeviceChangeWatcher(Callback callback, QObject* parent)
    : QObject(parent), m_callback(std::move(callback)) {
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &CDeviceChangeWatcher::Poll);
}

void CDeviceChangeWatcher::Start() {
    m_dwSeen = platform::DeviceChangeCount().value_or(0);
    m_bStarted = true;
    m_timer.start();
}

void CDeviceChangeWatcher::Stop() {
    m_bStarted = false;
    m_timer.stop();
}

void CDeviceChangeWatcher::Poll() {
    const std::optional<uint32_t> changes = platform::DeviceChangeCount();
    if (!m_bStarted || !changes)
        return;
    const uint32_t count = *changes;
    // The callback may run a modal wait or stop the watcher; take each event before reporting it.
    while (m_bStarted && m_dwSeen != count) {
        const uint32_t sequence = m_dwSeen++;
        bool arrived = false;
        uint32_t instance = 0;
        if (platform::GetDeviceEvent(sequence, arrived, instance))
            m_callback(arrived ? Change::Arrival : Change::Removal, instance);
        else
            m_callback(Change::Unknown, 0);
    }
}
