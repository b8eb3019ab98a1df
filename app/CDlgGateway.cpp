#include "app/CDlgGateway.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include "campaign/ui/CMessageBox.h"

#ifdef VANTORIX_HAVE_KANNEL
#include "device/kannel/KannelBackend.h"
#endif

namespace {

const QString kGroup = QStringLiteral("Gateway/");

bool ValidListen(const QString& text) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    return colon > 0 && ok && port >= 0 && port <= 65535;
}

#ifdef VANTORIX_HAVE_KANNEL
Kannel::Settings ToSettings(const GatewayConfig& config) {
    Kannel::Settings settings;
    settings.url = config.url.toStdString();
    settings.user = config.user.toStdString();
    settings.listen = config.listen.toStdString();
    settings.parallel = config.parallel;
    return settings;
}
#endif

}  // namespace

GatewayConfig GatewayConfig::Load() {
    const QSettings settings;
    GatewayConfig config;
    config.kannel =
        settings.value(kGroup + QStringLiteral("Way")).toString() == QLatin1String("kannel");
    config.url = settings.value(kGroup + QStringLiteral("Url")).toString();
    config.user = settings.value(kGroup + QStringLiteral("User")).toString();
    config.listen = settings.value(kGroup + QStringLiteral("Listen"), config.listen).toString();
    config.parallel =
        qBound(1, settings.value(kGroup + QStringLiteral("Parallel"), 8).toInt(), 256);
    return config;
}

void GatewayConfig::Save() const {
    QSettings settings;
    settings.setValue(kGroup + QStringLiteral("Way"),
                      kannel ? QStringLiteral("kannel") : QStringLiteral("modem"));
    settings.setValue(kGroup + QStringLiteral("Url"), url);
    settings.setValue(kGroup + QStringLiteral("User"), user);
    settings.setValue(kGroup + QStringLiteral("Listen"), listen);
    settings.setValue(kGroup + QStringLiteral("Parallel"), parallel);
}

QString GatewayConfig::PasswordPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("kannel-password"));
}

bool GatewayConfig::SavePassword(const QString& password, QString& error) {
    const QString path = PasswordPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    // Made private before the password goes in.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(password.toUtf8() + '\n') < 0 || !file.flush()) {
        error = QStringLiteral("The gateway password could not be kept in %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

#ifdef VANTORIX_HAVE_KANNEL

DeviceLink::BackendFactory GatewayBackend(const GatewayConfig& config, QString& error) {
    if (!config.kannel) {
        return {};
    }
    Kannel::Settings settings = ToSettings(config);
    std::string why;
    if (!Kannel::ReadPasswordFile(GatewayConfig::PasswordPath().toStdString(), settings.password,
                                  why)) {
        error = QString::fromStdString(why);
        return {};
    }
    // The first manager is kept by the factory: the gateway (its listener
    // and the sends in flight) lives on through the rediscoveries that a
    // plugged device starts, which drop the old manager before making anew.
    auto kept = std::make_shared<std::shared_ptr<DeviceLink::IMbnInterfaceManager>>();
    return [make = Kannel::MakeBackendFactory(std::move(settings)), kept](
               const std::string& selector,
               std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
        const HRESULT hr = make(selector, manager);
        if (SUCCEEDED(hr) && !*kept) {
            *kept = *manager;
        }
        return hr;
    };
}

void CloseGatewayListener(const GatewayConfig& config) {
    if (config.kannel) {
        Kannel::CloseListener(ToSettings(config));
    }
}

bool GatewayAvailable() {
    return true;
}

QString GatewayError() {
    return QString::fromStdString(Kannel::LastError());
}

#else

DeviceLink::BackendFactory GatewayBackend(const GatewayConfig& config, QString& error) {
    if (config.kannel) {
        error = QStringLiteral("This build of Vantorix cannot send through Kannel.");
    }
    return {};
}

void CloseGatewayListener(const GatewayConfig& /*config*/) {}

bool GatewayAvailable() {
    return false;
}

QString GatewayError() {
    return {};
}

#endif

CDlgGateway::CDlgGateway(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Send Through"));
    m_cmbWay = new QComboBox(this);
    m_cmbWay->addItem(QStringLiteral("The modem"));
    m_cmbWay->addItem(QStringLiteral("Kannel gateway"));
    m_edtUrl = new QLineEdit(this);
    m_edtUrl->setPlaceholderText(QStringLiteral("http://127.0.0.1:13013/cgi-bin/sendsms"));
    m_edtUrl->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    m_edtUser = new QLineEdit(this);
    m_edtPassword = new QLineEdit(this);
    m_edtPassword->setEchoMode(QLineEdit::Password);
    m_edtListen = new QLineEdit(this);
    m_edtListen->setToolTip(
        QStringLiteral("HOST:PORT where Kannel posts delivery reports and replies"));
    m_spnParallel = new QSpinBox(this);
    m_spnParallel->setRange(1, 256);
    m_stcPassword = new QLabel(this);
    m_stcPassword->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Send through:"), m_cmbWay);
    form->addRow(QStringLiteral("Sendsms &URL:"), m_edtUrl);
    form->addRow(QStringLiteral("U&ser:"), m_edtUser);
    form->addRow(QStringLiteral("&Password:"), m_edtPassword);
    form->addRow(QString(), m_stcPassword);
    form->addRow(QStringLiteral("&Reports and replies at:"), m_edtListen);
    form->addRow(QStringLiteral("Requests in &flight:"), m_spnParallel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgGateway::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_cmbWay, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CDlgGateway::OnInitDialog() {
    const GatewayConfig config = GatewayConfig::Load();
    m_cmbWay->setCurrentIndex(config.kannel ? 1 : 0);
    m_edtUrl->setText(config.url);
    m_edtUser->setText(config.user);
    m_edtListen->setText(config.listen);
    m_spnParallel->setValue(config.parallel);
    const bool kept = QFileInfo::exists(GatewayConfig::PasswordPath());
    m_edtPassword->setPlaceholderText(kept ? QStringLiteral("(kept; type to change)") : QString());
    m_stcPassword->setText(QStringLiteral("Kept in %1, readable by you alone.")
                               .arg(QDir::toNativeSeparators(GatewayConfig::PasswordPath())));
    if (!GatewayAvailable()) {
        m_cmbWay->setEnabled(false);
    }
    UpdateControls();
}

void CDlgGateway::UpdateControls() {
    const bool kannel = m_cmbWay->currentIndex() == 1;
    for (QWidget* w : {static_cast<QWidget*>(m_edtUrl), static_cast<QWidget*>(m_edtUser),
                       static_cast<QWidget*>(m_edtPassword), static_cast<QWidget*>(m_edtListen),
                       static_cast<QWidget*>(m_spnParallel)}) {
        w->setEnabled(kannel);
    }
}

GatewayConfig CDlgGateway::Result() const {
    GatewayConfig config;
    config.kannel = m_cmbWay->currentIndex() == 1;
    config.url = m_edtUrl->text().trimmed();
    config.user = m_edtUser->text().trimmed();
    config.listen = m_edtListen->text().trimmed();
    config.parallel = m_spnParallel->value();
    return config;
}

bool CDlgGateway::Apply(QString& error) {
    const GatewayConfig config = Result();
    if (config.kannel) {
        const QUrl url(config.url, QUrl::StrictMode);
        if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
            error = QStringLiteral("The sendsms URL must be http://HOST:PORT/cgi-bin/sendsms.");
            return false;
        }
        if (config.user.isEmpty()) {
            error = QStringLiteral("Kannel needs the user of a sendsms-user group.");
            return false;
        }
        if (!ValidListen(config.listen)) {
            error = QStringLiteral(
                "Reports and replies are taken at HOST:PORT, e.g. "
                "127.0.0.1:13080.");
            return false;
        }
        if (m_edtPassword->text().isEmpty() && !QFileInfo::exists(GatewayConfig::PasswordPath())) {
            error = QStringLiteral("Type the password of the sendsms user.");
            return false;
        }
        if (!m_edtPassword->text().isEmpty() &&
            !GatewayConfig::SavePassword(m_edtPassword->text(), error)) {
            return false;
        }
    }
    config.Save();
    return true;
}

void CDlgGateway::accept() {
    QString error;
    if (!Apply(error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, error);
        return;
    }
    QDialog::accept();
}
