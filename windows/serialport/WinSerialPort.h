// The part of Qt SerialPort's interface that the AT backend uses, over the
// Win32 communications API: Debian's archive here does not serve the source
// of qt6-serialport, so Qt SerialPort cannot be cross-built from it.
//
// Reading: a thread reads what has arrived (every 10 ms while the port is
// quiet) and hands it to the owner's thread, which emits readyRead() from its event loop
// or from waitForReadyRead(). A read or write the system fails (the modem
// was pulled out) gives errorOccurred(ResourceError). Writing is overlapped
// too and waits for its completion: AT commands are short.
#pragma once

#include <QIODevice>
#include <QList>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

class QSerialPort : public QIODevice {
    Q_OBJECT
public:
    enum BaudRate { Baud9600 = 9600, Baud19200 = 19200, Baud38400 = 38400, Baud115200 = 115200 };
    enum DataBits { Data7 = 7, Data8 = 8 };
    enum Parity { NoParity = 0, EvenParity = 2, OddParity = 3 };
    enum StopBits { OneStop = 1, TwoStop = 2 };
    enum FlowControl { NoFlowControl, HardwareControl, SoftwareControl };
    enum SerialPortError {
        NoError,
        DeviceNotFoundError,
        PermissionError,
        OpenError,
        WriteError = 5,
        ReadError,
        ResourceError,
        UnsupportedOperationError,
        UnknownError,
        TimeoutError,
        NotOpenError
    };
    Q_ENUM(SerialPortError)

    explicit QSerialPort(const QString& name, QObject* parent = nullptr);
    ~QSerialPort() override;

    QString portName() const { return m_name; }
    bool setBaudRate(qint32 rate);
    bool setDataBits(DataBits bits);
    bool setParity(Parity parity);
    bool setStopBits(StopBits bits);
    bool setFlowControl(FlowControl flow);
    bool setDataTerminalReady(bool set);

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool waitForReadyRead(int msecs) override;
    bool flush() { return isOpen(); }

    SerialPortError error() const { return m_error; }

signals:
    void errorOccurred(QSerialPort::SerialPortError error);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void ReaderLoop();
    // On the owner's thread: takes what the reader got; emits readyRead()
    // or errorOccurred(). Returns true when bytes came.
    bool Deliver();
    void SetError(SerialPortError error, unsigned long systemError);
    bool ApplySettings();

    QString m_name;
    qint32 m_baudRate = Baud115200;
    DataBits m_dataBits = Data8;
    Parity m_parity = NoParity;
    StopBits m_stopBits = OneStop;
    FlowControl m_flow = NoFlowControl;
    bool m_dtr = false;
    SerialPortError m_error = NoError;

    void* m_handle = nullptr;     // HANDLE of the open port
    void* m_stopEvent = nullptr;  // set by close(): the reader ends
    std::thread m_reader;
    QByteArray m_buffer;  // delivered, not yet read (owner's thread)
    bool m_failureReported = false;

    // Shared with the reader thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    QByteArray m_incoming;
    unsigned long m_readFailure = 0;  // the system's error that ended reading
    bool m_readEnded = false;
    bool m_deliveryPosted = false;
};

// The COM ports that the system lists (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM);
// Windows gives no USB identifiers this way.
class QSerialPortInfo {
public:
    QSerialPortInfo() = default;
    explicit QSerialPortInfo(const QString& name) : m_name(name) {}
    static QList<QSerialPortInfo> availablePorts();
    QString portName() const { return m_name; }
    QString systemLocation() const { return QStringLiteral("\\\\.\\") + m_name; }
    bool hasVendorIdentifier() const { return false; }
    bool hasProductIdentifier() const { return false; }
    quint16 vendorIdentifier() const { return 0; }
    quint16 productIdentifier() const { return 0; }

private:
    QString m_name;
};
