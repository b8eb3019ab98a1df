// The built-in simulated modem: starts vantorix-modemsim as a child process
// and names the pseudo-terminal it serves, so that "--modem sim" works without
// hardware. The child ends with this object (its standard input is closed).
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

class CSimulatedModem final {
public:
    CSimulatedModem() = default;
    ~CSimulatedModem();
    CSimulatedModem(const CSimulatedModem&) = delete;
    CSimulatedModem& operator=(const CSimulatedModem&) = delete;

    // Starts the simulator with `arguments` (its own options, e.g. --outbox)
    // and waits for the port it serves. On failure returns false with the
    // reason in `error`.
    bool Start(const QStringList& arguments, QString& error, int timeoutMs = 5000);
    // The serial port path of the simulated modem ("/dev/pts/N").
    const QString& Port() const { return m_strPort; }
    bool IsRunning() const;

    // Where the simulator program is looked for: VANTORIX_MODEMSIM, beside
    // the running program, the build tree, then PATH.
    static QString FindProgram();

private:
    std::unique_ptr<QProcess> m_pProcess;
    QString m_strPort;
};
