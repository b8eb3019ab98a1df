#include "campaign/doc/CVantorDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <string>

#include "campaign/doc/CSmsDocumentFormat.h"
#include "campaign/doc/QtText.h"

namespace {

QString CannotOpen(const QString& path, const QString& why) {
    return QStringLiteral("Could Not Open the Campaign Document [%1].\n\n%2").arg(path, why);
}

}  // namespace

CVantorDoc::CVantorDoc(QObject* parent) : QObject(parent) {}

void CVantorDoc::SetNumbersFile(const QString& path) {
    m_strNumbersFile = path;
    SetModifiedFlag(true);
}

void CVantorDoc::SetMessage(const QString& message) {
    m_strMessage = message;
    SetModifiedFlag(true);
}

void CVantorDoc::SetNumberColumn(const QString& column) {
    m_strNumberColumn = column;
    SetModifiedFlag(true);
}

bool CVantorDoc::IsPersonal() const {
    return m_strNumbersFile.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

bool CVantorDoc::OnNewDocument() {
    m_strNumbersFile.clear();
    m_strMessage.clear();
    m_strNumberColumn.clear();
    SetPathName({});
    SetModifiedFlag(false);
    return true;
}

bool CVantorDoc::OnOpenDocument(const QString& path, QString& error) {
    QFile file(path);
    const QFileInfo info(path);
    if (info.isDir()) {
        error = CannotOpen(path, QStringLiteral("It is a Folder, not a File."));
        return false;
    }
    // A pipe or a device would hold the program in open() or read() until
    // someone writes to it.
    if (info.exists() && !info.isFile()) {
        error = CannotOpen(path, QStringLiteral("It is not a Regular File."));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = CannotOpen(path, file.errorString());
        return false;
    }
    // One byte more than the limit tells a too large file from a full one.
    const QByteArray bytes = file.read(static_cast<qint64>(CSmsDocumentFormat::kMaxFileBytes) + 1);
    if (file.error() != QFileDevice::NoError) {
        error = CannotOpen(path, file.errorString());
        return false;
    }
    CSmsDocumentFormat::Campaign campaign;
    const auto result = CSmsDocumentFormat::Read(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), campaign);
    if (result != CSmsDocumentFormat::ReadError::None) {
        error = CannotOpen(path, ToQString(CSmsDocumentFormat::ErrorText(result)));
        return false;
    }
    m_strNumbersFile = ToQString(campaign.numbersFile);
    m_strMessage = ToQString(campaign.message);
    m_strNumberColumn = ToQString(campaign.numberColumn);
    SetPathName(info.absoluteFilePath());
    SetModifiedFlag(false);
    return true;
}

bool CVantorDoc::OnSaveDocument(const QString& path, QString& error) {
    CSmsDocumentFormat::Campaign campaign;
    campaign.numbersFile = ToU16String(m_strNumbersFile);
    campaign.message = ToU16String(m_strMessage);
    // A plain campaign keeps the plain format, byte for byte.
    campaign.personal = IsPersonal();
    if (campaign.personal) {
        campaign.numberColumn = ToU16String(m_strNumberColumn);
    }
    const std::string bytes = CSmsDocumentFormat::Write(campaign);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        error = QStringLiteral("Could Not Save the Campaign Document [%1].\n\n%2")
                    .arg(path, file.errorString());
        return false;
    }
    SetPathName(QFileInfo(path).absoluteFilePath());
    SetModifiedFlag(false);
    return true;
}

void CVantorDoc::SetModifiedFlag(bool modified) {
    if (m_bModified != modified) {
        m_bModified = modified;
        emit modifiedChanged(modified);
    }
}

QString CVantorDoc::GetTitle() const {
    return m_strPathName.isEmpty() ? QStringLiteral("Untitled")
                                   : QFileInfo(m_strPathName).fileName();
}

void CVantorDoc::SetPathName(const QString& path) {
    if (m_strPathName != path) {
        m_strPathName = path;
        emit pathNameChanged(path);
    }
}
