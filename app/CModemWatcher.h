// Notices modems being plugged in and removed. On Linux it watches /dev and
// /dev/serial/by-id for serial devices (ttyUSB*, ttyACM*, by-id links) and
// reports a change only when that set of devices really changed, so the many
// other changes in /dev cause no discovery.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class CModemWatcher final : public QObject {
    Q_OBJECT

public:
    // Watches `roots` (by default /dev, /dev/serial and /dev/serial/by-id).
    explicit CModemWatcher(QObject* parent = nullptr, QStringList roots = DefaultRoots());

    static QStringList DefaultRoots();
    // The serial devices under the roots now.
    QSet<QString> ScanDevices() const;

    // Call when a watched folder changed; emits modemsChanged() when the set
    // of serial devices differs from the last one seen.
    void OnDirectoryChanged();

signals:
    // One notification per change of the set of serial devices.
    void modemsChanged();

private:
    void WatchRoots();

    QStringList m_roots;
    QFileSystemWatcher m_watcher;
    QSet<QString> m_devices;
};
