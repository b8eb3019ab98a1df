#include "WinSerialPort.h"

#include <windows.h>

#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <string>

namespace {

// How long the reader waits after a read found nothing: the delay a reply
// may see, against the wake-ups of an idle port.
constexpr DWORD kIdleReadMs = 10;

HANDLE AsHandle(void* handle) {
    return static_cast<HANDLE>(handle);
}

// "COM3" and "\\.\COM3" name the same port; the long form also reaches
// COM10 and above.
std::wstring DevicePath(const QString& name) {
    const QString prefix = QStringLiteral("\\\\.\\");
    return (name.startsWith(prefix) ? name : prefix + name).toStdWString();
}

// Ends a pending overlapped operation and waits until the system has let go
// of its OVERLAPPED.
void CancelAndWait(HANDLE handle, OVERLAPPED* overlapped) {
    DWORD ignored = 0;
    CancelIoEx(handle, overlapped);
    GetOverlappedResult(handle, overlapped, &ignored, TRUE);
}

}  // namespace

QSerialPort::QSerialPort(const QString& name, QObject* parent) : QIODevice(parent), m_name(name) {}

QSerialPort::~QSerialPort() {
    close();
}

bool QSerialPort::setBaudRate(qint32 rate) {
    m_baudRate = rate;
    return !isOpen() || ApplySettings();
}

bool QSerialPort::setDataBits(DataBits bits) {
    m_dataBits = bits;
    return !isOpen() || ApplySettings();
}

bool QSerialPort::setParity(Parity parity) {
    m_parity = parity;
    return !isOpen() || ApplySettings();
}

bool QSerialPort::setStopBits(StopBits bits) {
    m_stopBits = bits;
    return !isOpen() || ApplySettings();
}

bool QSerialPort::setFlowControl(FlowControl flow) {
    m_flow = flow;
    return !isOpen() || ApplySettings();
}

bool QSerialPort::setDataTerminalReady(bool set) {
    m_dtr = set;
    return !isOpen() || EscapeCommFunction(AsHandle(m_handle), set ? SETDTR : CLRDTR) != 0;
}

bool QSerialPort::ApplySettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(AsHandle(m_handle), &dcb)) {
        return false;
    }
    dcb.BaudRate = static_cast<DWORD>(m_baudRate);
    dcb.ByteSize = static_cast<BYTE>(m_dataBits);
    dcb.fParity = m_parity != NoParity;
    dcb.Parity = m_parity == EvenParity ? EVENPARITY : m_parity == OddParity ? ODDPARITY : NOPARITY;
    dcb.StopBits = m_stopBits == TwoStop ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = m_flow == HardwareControl;
    dcb.fRtsControl = m_flow == HardwareControl ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = dcb.fInX = m_flow == SoftwareControl;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = m_dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    return SetCommState(AsHandle(m_handle), &dcb) != 0;
}

void QSerialPort::SetError(SerialPortError error, unsigned long systemError) {
    m_error = error;
    setErrorString(systemError != 0 ? qt_error_string(static_cast<int>(systemError))
                                    : QStringLiteral("Unknown error"));
    emit errorOccurred(error);
}

bool QSerialPort::open(OpenMode mode) {
    if (isOpen()) {
        SetError(OpenError, ERROR_BUSY);
        return false;
    }
    const std::wstring path = DevicePath(m_name);
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        const bool denied = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        SetError(missing ? DeviceNotFoundError : denied ? PermissionError : OpenError, error);
        return false;
    }
    m_handle = handle;
    // A read returns at once with what has arrived, perhaps nothing; the
    // reader then waits a moment. (Reads that wait for the first byte by
    // themselves, MAXDWORD/MAXDWORD/n, never complete under wine.)
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!ApplySettings() || !SetCommTimeouts(handle, &timeouts)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        m_handle = nullptr;
        SetError(UnsupportedOperationError, error);
        return false;
    }
    EscapeCommFunction(handle, m_dtr ? SETDTR : CLRDTR);
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_incoming.clear();
        m_readFailure = 0;
        m_readEnded = false;
        m_deliveryPosted = false;
    }
    m_failureReported = false;
    m_buffer.clear();
    m_error = NoError;
    QIODevice::open(mode | Unbuffered);
    m_reader = std::thread(&QSerialPort::ReaderLoop, this);
    return true;
}

void QSerialPort::close() {
    if (m_handle != nullptr) {
        SetEvent(AsHandle(m_stopEvent));
        CancelIoEx(AsHandle(m_handle), nullptr);
        if (m_reader.joinable()) {
            m_reader.join();
        }
        CloseHandle(AsHandle(m_handle));
        CloseHandle(AsHandle(m_stopEvent));
        m_handle = nullptr;
        m_stopEvent = nullptr;
    }
    m_buffer.clear();
    if (isOpen()) {
        QIODevice::close();
    }
}

void QSerialPort::ReaderLoop() {
    HANDLE handle = AsHandle(m_handle);
    HANDLE stop = AsHandle(m_stopEvent);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char chunk[4096];
    DWORD failure = 0;
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        ResetEvent(overlapped.hEvent);
        DWORD got = 0;
        if (!ReadFile(handle, chunk, sizeof chunk, &got, &overlapped)) {
            const DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING) {
                failure = error;
                break;
            }
            HANDLE events[] = {overlapped.hEvent, stop};
            if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
                CancelAndWait(handle, &overlapped);
                break;
            }
            if (!GetOverlappedResult(handle, &overlapped, &got, FALSE)) {
                failure = GetLastError();
                break;
            }
        }
        if (got == 0) {
            WaitForSingleObject(stop, kIdleReadMs);
            continue;
        }
        bool post = false;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_incoming.append(chunk, static_cast<qsizetype>(got));
            post = !m_deliveryPosted;
            m_deliveryPosted = true;
        }
        m_arrived.notify_all();
        if (post) {
            QMetaObject::invokeMethod(
                this, [this] { Deliver(); }, Qt::QueuedConnection);
        }
    }
    CloseHandle(overlapped.hEvent);
    // A failure while closing is no failure of the port.
    if (failure != 0 && WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_readFailure = failure;
            m_readEnded = true;
        }
        m_arrived.notify_all();
        QMetaObject::invokeMethod(
            this, [this] { Deliver(); }, Qt::QueuedConnection);
    }
}

bool QSerialPort::Deliver() {
    QByteArray bytes;
    bool ended = false;
    DWORD failure = 0;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        bytes.swap(m_incoming);
        m_deliveryPosted = false;
        ended = m_readEnded;
        failure = m_readFailure;
    }
    if (!isOpen()) {
        return false;
    }
    if (!bytes.isEmpty()) {
        m_buffer.append(bytes);
        emit readyRead();
    }
    if (ended && !m_failureReported && isOpen()) {
        m_failureReported = true;
        SetError(ResourceError, failure);
    }
    return !bytes.isEmpty();
}

bool QSerialPort::waitForReadyRead(int msecs) {
    if (!isOpen()) {
        return false;
    }
    if (Deliver()) {
        return true;
    }
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        auto ready = [this] { return !m_incoming.isEmpty() || m_readEnded; };
        if (msecs < 0) {
            m_arrived.wait(lock, ready);
        } else {
            m_arrived.wait_for(lock, std::chrono::milliseconds(msecs), ready);
        }
    }
    return Deliver();
}

qint64 QSerialPort::bytesAvailable() const {
    return m_buffer.size() + QIODevice::bytesAvailable();
}

qint64 QSerialPort::readData(char* data, qint64 maxSize) {
    const qint64 count = std::min<qint64>(maxSize, m_buffer.size());
    std::copy_n(m_buffer.constData(), count, data);
    m_buffer.remove(0, static_cast<qsizetype>(count));
    return count;
}

qint64 QSerialPort::writeData(const char* data, qint64 size) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE handle = AsHandle(m_handle);
    DWORD written = 0;
    BOOL ok = WriteFile(handle, data, static_cast<DWORD>(size), &written, &overlapped);
    DWORD error = ok ? 0 : GetLastError();
    if (!ok && error == ERROR_IO_PENDING) {
        // A modem that takes no bytes for this long is stuck.
        if (WaitForSingleObject(overlapped.hEvent, 10000) == WAIT_OBJECT_0) {
            ok = GetOverlappedResult(handle, &overlapped, &written, FALSE);
            error = ok ? 0 : GetLastError();
        } else {
            CancelAndWait(handle, &overlapped);
            error = WAIT_TIMEOUT;
        }
    }
    CloseHandle(overlapped.hEvent);
    if (!ok) {
        SetError(WriteError, error);
        return -1;
    }
    return static_cast<qint64>(written);
}

QList<QSerialPortInfo> QSerialPortInfo::availablePorts() {
    QList<QSerialPortInfo> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return ports;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t value[256];
        DWORD nameLength = 256;
        DWORD valueBytes = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(value), &valueBytes);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS || type != REG_SZ) {
            continue;
        }
        value[valueBytes / sizeof(wchar_t)] = L'\0';
        const QString port = QString::fromWCharArray(value);
        if (!port.isEmpty()) {
            ports.append(QSerialPortInfo(port));
        }
    }
    RegCloseKey(key);
    // COM2 before COM10.
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
        const QString& x = a.m_name;
        const QString& y = b.m_name;
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    return ports;
}
