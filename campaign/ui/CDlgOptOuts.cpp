#include "campaign/ui/CDlgOptOuts.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CMessageBox.h"
#include "campaign/ui/StoreAccess.h"

namespace {

bool Visit(const QString& path, bool create, CCampaignStore& store, QString& error) {
    StoreError why;
    if (OpenStoreForVisit(path.toStdString(), create, store, why)) {
        return true;
    }
    error = QString::fromStdString(why.text);
    return false;
}

}  // namespace

CDlgOptOuts::CDlgOptOuts(const QString& storePath, QWidget* parent)
    : QDialog(parent), m_strStorePath(storePath) {
    setObjectName(QStringLiteral("optOuts"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_lstNumbers = new QListWidget(this);
    m_lstNumbers->setObjectName(QStringLiteral("optOutNumbers"));
    m_lstNumbers->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_edtStopWords = new QLineEdit(this);
    m_edtStopWords->setObjectName(QStringLiteral("stopWords"));
    m_edtStopWords->setToolTip(
        QStringLiteral("Besides STOP, STOPALL, UNSUBSCRIBE, CANCEL, END and QUIT; any case"));
    m_stcStatus = new QLabel(this);
    m_stcStatus->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto add = [this, buttons](const QString& text, void (CDlgOptOuts::*handler)()) {
        QPushButton* button = buttons->addButton(text, QDialogButtonBox::ActionRole);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, handler);
    };
    add(QStringLiteral("&Add..."), &CDlgOptOuts::OnAdd);
    add(QStringLiteral("&Remove"), &CDlgOptOuts::OnRemove);
    add(QStringLiteral("&Import..."), &CDlgOptOuts::OnImport);
    add(QStringLiteral("&Export..."), &CDlgOptOuts::OnExport);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edtStopWords, &QLineEdit::editingFinished, this, [this] {
        QString error;
        Report(SaveStopWords(error), error);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Numbers that asked not to be sent to:"), this));
    layout->addWidget(m_lstNumbers, 1);
    auto* words = new QLabel(QStringLiteral("Your own &stop words (separated by commas):"), this);
    words->setBuddy(m_edtStopWords);
    layout->addWidget(words);
    layout->addWidget(m_edtStopWords);
    layout->addWidget(m_stcStatus);
    layout->addWidget(buttons);
    resize(560, 440);
}

void CDlgOptOuts::OnInitDialog() {
    setWindowTitle(QStringLiteral("Opt-outs - %1").arg(QGuiApplication::applicationDisplayName()));
    m_lstNumbers->clear();
    CCampaignStore store;
    QString error;
    std::vector<OptOutRecord> list;
    std::vector<std::string> words;
    StoreError why;
    if (!Visit(m_strStorePath, false, store, error)) {
        m_stcStatus->setText(QStringLiteral("The list is empty."));
        return;
    }
    if (!store.ListOptOuts(list, why) || !store.GetStopWords(words, why)) {
        m_stcStatus->setText(QString::fromStdString(why.text));
        return;
    }
    for (const OptOutRecord& record : list) {
        m_lstNumbers->addItem(QString::fromStdString(record.number));
    }
    QStringList shown;
    for (const std::string& word : words) {
        shown << QString::fromStdString(word);
    }
    m_edtStopWords->setText(shown.join(QStringLiteral(", ")));
    m_stcStatus->setText(QStringLiteral("%1 numbers").arg(list.size()));
}

bool CDlgOptOuts::AddNumber(const QString& number, QString& error) {
    CCampaignStore store;
    StoreError why;
    bool added = false;
    if (!Visit(m_strStorePath, true, store, error)) {
        return false;
    }
    if (!store.AddOptOut(number.trimmed().toStdString(), OptOutSource::Manual, added, why)) {
        error = QString::fromStdString(why.text);
        return false;
    }
    OnInitDialog();
    return true;
}

bool CDlgOptOuts::RemoveNumber(const QString& number, QString& error) {
    CCampaignStore store;
    StoreError why;
    bool removed = false;
    if (!Visit(m_strStorePath, false, store, error)) {
        return false;
    }
    if (!store.RemoveOptOut(number.toStdString(), removed, why)) {
        error = QString::fromStdString(why.text);
        return false;
    }
    OnInitDialog();
    return true;
}

bool CDlgOptOuts::ImportFrom(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("Could Not Read [%1].\n\n%2").arg(path, file.errorString());
        return false;
    }
    std::vector<std::string> numbers;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) {
            numbers.push_back(line.trimmed().toStdString());
        }
    }
    CCampaignStore store;
    StoreError why;
    std::int64_t added = 0;
    std::vector<std::string> refused;
    if (!Visit(m_strStorePath, true, store, error)) {
        return false;
    }
    if (!store.AddOptOuts(numbers, OptOutSource::Import, added, refused, why)) {
        error = QString::fromStdString(why.text);
        return false;
    }
    OnInitDialog();
    m_stcStatus->setText(
        QStringLiteral("Added: %1. Not a number: %2.").arg(added).arg(refused.size()));
    return true;
}

bool CDlgOptOuts::ExportTo(const QString& path, QString& error) const {
    QByteArray text;
    for (int row = 0; row < m_lstNumbers->count(); ++row) {
        text += m_lstNumbers->item(row)->text().toUtf8() + '\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        error =
            QStringLiteral("Could Not Save the List to [%1].\n\n%2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool CDlgOptOuts::SaveStopWords(QString& error) {
    std::vector<std::string> words;
    for (const QString& word : m_edtStopWords->text().split(QLatin1Char(','))) {
        if (!word.trimmed().isEmpty()) {
            words.push_back(word.trimmed().toStdString());
        }
    }
    CCampaignStore store;
    StoreError why;
    if (!Visit(m_strStorePath, true, store, error)) {
        return false;
    }
    if (!store.SetStopWords(words, why)) {
        error = QString::fromStdString(why.text);
        return false;
    }
    return true;
}

QString CDlgOptOuts::GetStatusText() const {
    return m_stcStatus->text();
}

void CDlgOptOuts::Report(bool ok, const QString& error) {
    if (!ok) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, error);
    }
}

void CDlgOptOuts::OnAdd() {
    bool ok = false;
    const QString number = QInputDialog::getText(
        this, QStringLiteral("Add"), QStringLiteral("Number:"), QLineEdit::Normal, QString(), &ok);
    QString error;
    if (ok && !number.trimmed().isEmpty()) {
        Report(AddNumber(number, error), error);
    }
}

void CDlgOptOuts::OnRemove() {
    QStringList numbers;
    for (const QListWidgetItem* item : m_lstNumbers->selectedItems()) {
        numbers << item->text();
    }
    QString error;
    for (const QString& number : numbers) {
        if (!RemoveNumber(number, error)) {
            Report(false, error);
            return;
        }
    }
}

void CDlgOptOuts::OnImport() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import"), QString(),
                                                      QStringLiteral("Text Files (*.txt)"));
    QString error;
    if (!path.isEmpty()) {
        Report(ImportFrom(path, error), error);
    }
}

void CDlgOptOuts::OnExport() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export"), QStringLiteral("opt-outs.txt"),
                                     QStringLiteral("Text Files (*.txt)"));
    QString error;
    if (!path.isEmpty()) {
        Report(ExportTo(path, error), error);
    }
}
