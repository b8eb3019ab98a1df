#include "app/CModemWatcher.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace {

bool IsSerialDeviceName(const QString& name) {
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM")) ||
           name.startsWith(QLatin1String("rfcomm"));
}

}  // namespace

CModemWatcher::CModemWatcher(QObject* parent, QStringList roots)
    : QObject(parent), m_roots(std::move(roots)) {
    m_devices = ScanDevices();
    WatchRoots();
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &CModemWatcher::OnDirectoryChanged);
}

QStringList CModemWatcher::DefaultRoots() {
#ifdef Q_OS_LINUX
    return {QStringLiteral("/dev"), QStringLiteral("/dev/serial"),
            QStringLiteral("/dev/serial/by-id")};
#else
    return {};
#endif
}

QSet<QString> CModemWatcher::ScanDevices() const {
    QSet<QString> devices;
    for (const QString& root : m_roots) {
        const QDir dir(root);
        const bool byId = root.endsWith(QLatin1String("/by-id"));
        const QStringList names =
            dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : names) {
            if (byId || IsSerialDeviceName(name)) {
                devices.insert(dir.filePath(name));
            }
        }
    }
    return devices;
}

void CModemWatcher::WatchRoots() {
    // A folder that did not exist (no USB serial device yet) is watched once
    // it appears; its parent's change brings us here.
    for (const QString& root : m_roots) {
        if (QFileInfo(root).isDir() && !m_watcher.directories().contains(root)) {
            m_watcher.addPath(root);
        }
    }
}

void CModemWatcher::OnDirectoryChanged() {
    WatchRoots();
    QSet<QString> devices = ScanDevices();
    if (devices != m_devices) {
        m_devices = std::move(devices);
        emit modemsChanged();
    }
}
