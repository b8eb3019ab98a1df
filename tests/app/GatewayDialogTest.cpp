// The Send Through dialog: what it refuses, where the password goes (a file
// only the user may read, never the settings) and the backend it gives.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSettings>

#include "app/CDlgGateway.h"

namespace {

TEST(GatewayDialog, ChecksFieldsAndKeepsThePasswordPrivate) {
    QFile::remove(GatewayConfig::PasswordPath());
    struct Case {
        int way;  // 0 the modem, 1 Kannel
        const char* url;
        const char* user;
        const char* password;
        const char* listen;
        const char* refusal;  // empty: accepted
    } cases[] = {
        {0, "", "", "", "", ""},
        {1, "ftp://gw/cgi-bin/sendsms", "u", "pw", "127.0.0.1:0", "URL"},
        {1, "http://127.0.0.1:13013/cgi-bin/sendsms", "", "pw", "127.0.0.1:0", "user"},
        {1, "http://127.0.0.1:13013/cgi-bin/sendsms", "u", "pw", "localhost", "HOST:PORT"},
        {1, "http://127.0.0.1:13013/cgi-bin/sendsms", "u", "", "127.0.0.1:0", "password"},
        {1, "http://127.0.0.1:13013/cgi-bin/sendsms", "u", "s3cret&x", "127.0.0.1:0", ""},
        // The kept password stays when none is typed.
        {1, "http://127.0.0.1:13013/cgi-bin/sendsms", "u2", "", "127.0.0.1:0", ""},
    };
    for (const Case& c : cases) {
        CDlgGateway dialog;
        dialog.OnInitDialog();
        dialog.GetWay()->setCurrentIndex(c.way);
        dialog.GetUrl()->setText(QString::fromUtf8(c.url));
        dialog.GetUser()->setText(QString::fromUtf8(c.user));
        dialog.GetPassword()->setText(QString::fromUtf8(c.password));
        dialog.GetListen()->setText(QString::fromUtf8(c.listen));
        QString error;
        EXPECT_EQ(dialog.Apply(error), *c.refusal == '\0') << c.url << " " << c.user;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.refusal))) << error.toStdString();
    }
    const GatewayConfig kept = GatewayConfig::Load();
    EXPECT_TRUE(kept.kannel);
    EXPECT_EQ(kept.user, QStringLiteral("u2"));
    QFile file(GatewayConfig::PasswordPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("s3cret&x\n"));
#ifndef _WIN32
    // On Windows the profile folder's access list keeps it private; Qt does
    // not read access lists into these bits.
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
#endif
    QSettings().sync();
    QFile ini(QSettings().fileName());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ini.readAll().contains("s3cret"));

    QString error;
    EXPECT_EQ(static_cast<bool>(GatewayBackend(kept, error)), GatewayAvailable())
        << error.toStdString();
    if (GatewayAvailable()) {
        // A password file others may read is refused, saying how to fix it.
        file.setPermissions(file.permissions() | QFileDevice::ReadOther);
        EXPECT_FALSE(GatewayBackend(kept, error));
        EXPECT_TRUE(error.contains(QStringLiteral("chmod 600"))) << error.toStdString();
    }
    QFile::remove(GatewayConfig::PasswordPath());
    GatewayConfig().Save();
}

}  // namespace
