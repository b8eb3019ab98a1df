// How the desktop program sends: through the modem (the default) or handed
// to a Kannel SMS gateway, with its sendsms URL, user, password, the address
// where its delivery reports and replies are taken, and the requests in
// flight. Kept in the settings (group "Gateway"), except the password: that
// goes to a file in the configuration folder that only the user may read
// (the same file `vantorix-cli send --gateway-password-file` takes). It is
// never in a .sms document, the campaign store or the log.
#pragma once

#include <QDialog>
#include <QString>

#include "device/link/BackendInterface.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

struct GatewayConfig {
    bool kannel = false;
    QString url;
    QString user;
    QString listen = QStringLiteral("127.0.0.1:13080");
    int parallel = 8;

    static GatewayConfig Load();
    void Save() const;
    // <configuration folder>/kannel-password
    static QString PasswordPath();
    // Writes the password file, readable and writable by the user alone;
    // false with `error` (which never holds the password).
    static bool SavePassword(const QString& password, QString& error);
};

// The backend for `config` (the password read from its file), or empty with
// `error` when it cannot be used; an empty factory and no error when the
// modem is chosen.
DeviceLink::BackendFactory GatewayBackend(const GatewayConfig& config, QString& error);
// Before the program quits: smsbox posts what it holds again later.
void CloseGatewayListener(const GatewayConfig& config);
// False in a build without the Kannel backend.
bool GatewayAvailable();
// Why the last gateway could not be made (its listen address taken, say).
QString GatewayError();

class CDlgGateway final : public QDialog {
    Q_OBJECT

public:
    explicit CDlgGateway(QWidget* parent = nullptr);

    // Fills the fields from the settings.
    void OnInitDialog();
    // Checks the fields and keeps them (the password only when typed); false
    // with `error` for the user.
    bool Apply(QString& error);
    GatewayConfig Result() const;

    QComboBox* GetWay() const { return m_cmbWay; }
    QLineEdit* GetUrl() const { return m_edtUrl; }
    QLineEdit* GetUser() const { return m_edtUser; }
    QLineEdit* GetPassword() const { return m_edtPassword; }
    QLineEdit* GetListen() const { return m_edtListen; }
    QSpinBox* GetParallel() const { return m_spnParallel; }

protected:
    void accept() override;

private:
    void UpdateControls();

    QComboBox* m_cmbWay = nullptr;
    QLineEdit* m_edtUrl = nullptr;
    QLineEdit* m_edtUser = nullptr;
    QLineEdit* m_edtPassword = nullptr;
    QLineEdit* m_edtListen = nullptr;
    QSpinBox* m_spnParallel = nullptr;
    QLabel* m_stcPassword = nullptr;
};
