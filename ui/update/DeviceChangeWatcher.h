#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

// Device arrival and removal for the update dialogs: polls the platform's device tree on a timer and
// calls back once per event, on the GUI thread. Events from before Start are not reported; events the
// tree no longer keeps are reported as one change of unknown kind.
class CDeviceChangeWatcher : public QObject {
    Q_OBJECT

public:
    enum class Change { Arrival, Removal, Unknown };
    using Callback = std::function<void(Change change, uint32_t instance)>;

    static constexpr int kPollMs = 250;

    explicit CDeviceChangeWatcher(Callback callback, QObject* parent = nullptr);

    // Starts watching from the tree's current change count (the registration of the notification).
    void Start();
    // Stops watching (the notification is removed); nothing is reported afterwards.
    void Stop();
    // Reports the events since the last poll; the timer calls this.
    void Poll();

private:
    Callback m_callback;
    QTimer m_timer;
    uint32_t m_dwSeen = 0;
    bool m_bStarted = false;
};
