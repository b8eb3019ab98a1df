#include "device/sim/CSimulatedModem.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool isExecutable(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

}  // namespace

CSimulatedModem::~CSimulatedModem() {
    if (m_pProcess) {
        // End of standard input ends the simulator; give it a moment, then insist.
        m_pProcess->closeWriteChannel();
        if (!m_pProcess->waitForFinished(1500)) {
            m_pProcess->terminate();
            if (!m_pProcess->waitForFinished(1500)) {
                m_pProcess->kill();
                m_pProcess->waitForFinished(1000);
            }
        }
    }
}

QString CSimulatedModem::FindProgram() {
    const QString fromEnv = qEnvironmentVariable("VANTORIX_MODEMSIM");
    if (!fromEnv.isEmpty() && isExecutable(fromEnv)) {
        return fromEnv;
    }
    const QString name = QStringLiteral("vantorix-modemsim");
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {dir + QLatin1Char('/') + name, dir + QStringLiteral("/../modemsim/") + name,
          dir + QStringLiteral("/../tools/modemsim/") + name}) {
        if (isExecutable(candidate)) {
            return QFileInfo(candidate).canonicalFilePath();
        }
    }
#ifdef VANTORIX_MODEMSIM_BUILD_PATH
    if (isExecutable(QStringLiteral(VANTORIX_MODEMSIM_BUILD_PATH))) {
        return QStringLiteral(VANTORIX_MODEMSIM_BUILD_PATH);
    }
#endif
    return QStandardPaths::findExecutable(name);
}

bool CSimulatedModem::Start(const QStringList& arguments, QString& error, int timeoutMs) {
    const QString program = FindProgram();
    if (program.isEmpty()) {
        error = QStringLiteral(
            "The simulated modem (vantorix-modemsim) was not found beside this program or on "
            "the PATH.");
        return false;
    }
    m_pProcess = std::make_unique<QProcess>();
    m_pProcess->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_pProcess->start(program, arguments);
    if (!m_pProcess->waitForStarted(timeoutMs)) {
        error = QStringLiteral("The simulated modem could not be started: %1")
                    .arg(m_pProcess->errorString());
        m_pProcess.reset();
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray line;
    while (!m_pProcess->canReadLine()) {
        if (deadline.hasExpired() || !m_pProcess->waitForReadyRead(int(deadline.remainingTime()))) {
            error = QStringLiteral("The simulated modem did not report its port.");
            return false;
        }
    }
    line = m_pProcess->readLine().trimmed();
    if (!line.startsWith("PORT ")) {
        error = QStringLiteral("The simulated modem said \"%1\" instead of its port.")
                    .arg(QString::fromUtf8(line));
        return false;
    }
    m_strPort = QString::fromUtf8(line.mid(5));
    return true;
}

bool CSimulatedModem::IsRunning() const {
    return m_pProcess && m_pProcess->state() == QProcess::Running;
}
