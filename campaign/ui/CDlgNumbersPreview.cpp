#include "campaign/ui/CDlgNumbersPreview.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "campaign/PersonalMessages.h"
#include "campaign/doc/QtText.h"
#include "campaign/phone/PhoneNumber.h"
#include "campaign/ui/CDialogUnits.h"
#include "campaign/ui/CMessageBox.h"
#include "campaign/ui/CNumbersPreviewModel.h"
#include "campaign/ui/CPersonalPreviewModel.h"
#include "campaign/ui/NumbersRegion.h"
#include "campaign/ui/StoreAccess.h"
#include "device/StatusText.h"
#include "pdu/Unicode.h"

namespace {

// Dialog 310, in dialog units.
constexpr int kWidth = 304;
constexpr int kHeight = 300;

}  // namespace

CDlgNumbersPreview::CDlgNumbersPreview(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("numbersPreview"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (parent != nullptr) {
        setWindowIcon(parent->window()->windowIcon());
    }

    // Template order is the tab order: list, Open File, label, path.
    m_stcCount = new QGroupBox(QStringLiteral("Unique Number(s) Found"), this);
    m_lstNumbers = new QTableView(this);
    m_lstNumbers->setObjectName(QStringLiteral("previewList"));
    m_btnOpenFile = new QPushButton(QStringLiteral("&Open File"), this);
    m_btnOpenFile->setObjectName(QStringLiteral("openFileButton"));
    m_btnOpenFile->setAutoDefault(false);
    auto* label = new QLabel(QStringLiteral("&File Path :"), this);
    m_edtFilePath = new QLineEdit(this);
    m_edtFilePath->setObjectName(QStringLiteral("previewPath"));
    m_edtFilePath->setReadOnly(true);
    label->setBuddy(m_edtFilePath);
    m_stcProblems = new QLabel(m_stcCount);
    m_stcProblems->setObjectName(QStringLiteral("previewProblems"));
    m_stcOptedOut = new QLabel(m_stcCount);
    m_stcOptedOut->setObjectName(QStringLiteral("previewOptedOut"));
    m_stcCount->lower();
    m_grpArriving = new QGroupBox(QStringLiteral("What Will Arrive"), this);
    m_edtArriving = new QPlainTextEdit(m_grpArriving);
    m_edtArriving->setObjectName(QStringLiteral("arrivingText"));
    m_edtArriving->setReadOnly(true);
    m_stcTotal = new QLabel(m_grpArriving);
    m_stcTotal->setObjectName(QStringLiteral("previewTotal"));

    m_pModel = new CNumbersPreviewModel(this);
    m_lstNumbers->setModel(m_pModel);
    m_lstNumbers->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lstNumbers->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstNumbers->setShowGrid(true);
    m_lstNumbers->setWordWrap(false);
    m_lstNumbers->verticalHeader()->hide();
    m_lstNumbers->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_lstNumbers->verticalHeader()->setDefaultSectionSize(m_lstNumbers->fontMetrics().height() + 6);
    m_lstNumbers->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lstNumbers->horizontalHeader()->resizeSection(CNumbersPreviewModel::ColumnSr, 75);
    m_lstNumbers->horizontalHeader()->resizeSection(CNumbersPreviewModel::ColumnNumber, 200);
    m_lstNumbers->horizontalHeader()->setStretchLastSection(true);

    setTabOrder(m_lstNumbers, m_btnOpenFile);
    setTabOrder(m_btnOpenFile, m_edtFilePath);
    connect(m_btnOpenFile, &QPushButton::clicked, this, &CDlgNumbersPreview::OnBnClickedOpenFile);

    const CDialogUnits units(font());
    resize(units.Size(kWidth, kHeight));
    PlaceControls();
}

CDlgNumbersPreview::~CDlgNumbersPreview() {
    m_pModel->SetNumbers(nullptr);
    if (m_pPersonalModel != nullptr) {
        m_pPersonalModel->SetPersonal(nullptr, nullptr);
    }
}

void CDlgNumbersPreview::SetPersonal(const PersonalMessages* personal, const PersonalPlan* plan,
                                     const QString& error) {
    m_pPersonal = personal;
    m_pPersonalPlan = plan;
    m_strPersonalError = error;
}

void CDlgNumbersPreview::InitPersonal() {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    m_pPersonalModel = new CPersonalPreviewModel(this);
    m_pPersonalModel->SetPersonal(m_pPersonal, m_pPersonalPlan);
    m_lstNumbers->setModel(m_pPersonalModel);
    QHeaderView* header = m_lstNumbers->horizontalHeader();
    header->resizeSection(CPersonalPreviewModel::ColumnSr, 40);
    header->resizeSection(CPersonalPreviewModel::ColumnLine, 40);
    header->resizeSection(CPersonalPreviewModel::ColumnNumber, 110);
    header->resizeSection(CPersonalPreviewModel::ColumnText, 260);
    header->resizeSection(CPersonalPreviewModel::ColumnParts, 40);

    const CsvTable& table = m_pPersonal->table;
    QStringList duplicates;
    std::size_t count = 0;
    for (const CsvSkippedRow& skipped : m_pPersonal->collected.skipped) {
        if (skipped.reason == CsvSkippedRow::Reason::Duplicate && count++ < 3) {
            duplicates << QStringLiteral("line %1 repeats line %2")
                              .arg(static_cast<qulonglong>(table.RowLine(skipped.row)))
                              .arg(static_cast<qulonglong>(table.RowLine(skipped.firstRow)));
        }
    }
    QString problems = m_strPersonalError;
    if (count != 0) {
        if (count > 3) {
            duplicates << QStringLiteral("...");
        }
        problems += (problems.isEmpty() ? QString() : QStringLiteral(" ")) +
                    QStringLiteral(
                        "%1 Duplicate Row(s) Dropped, the First Row of a Number is "
                        "Sent: %2.")
                        .arg(english.toString(static_cast<qulonglong>(count)),
                             duplicates.join(QStringLiteral(", ")));
    }
    m_stcProblems->setText(problems);
    m_stcProblems->setToolTip(problems);
    std::vector<std::u16string> numbers;
    for (const PersonalMessages::Recipient& recipient : m_pPersonal->recipients) {
        numbers.push_back(recipient.number);
    }
    const std::vector<bool> listed = OptedOut(numbers);
    ShowOptedOut(static_cast<std::size_t>(std::count(listed.begin(), listed.end(), true)));
    const std::size_t rows = m_pPersonal->recipients.size();
    m_stcCount->setTitle(
        QStringLiteral("%1 Unique Numbe(s) Found.")
            .arg(static_cast<qulonglong>(m_pPersonal->collected.recipients.size())));
    QString total = QStringLiteral("%1 %2, %3 SMS in all")
                        .arg(english.toString(static_cast<qulonglong>(rows)),
                             rows == 1 ? QStringLiteral("number") : QStringLiteral("numbers"),
                             english.toString(static_cast<qulonglong>(m_pPersonalPlan->totalSms)));
    if (m_pPersonalPlan->longest < m_pPersonalPlan->rows.size()) {
        const PersonalPlan::Row& longest = m_pPersonalPlan->rows[m_pPersonalPlan->longest];
        total +=
            QStringLiteral(" (the longest: %1 SMS, %2)")
                .arg(static_cast<qulonglong>(longest.parts))
                .arg(longest.unicode ? QStringLiteral("Unicode") : QStringLiteral("GSM 7-bit"));
    }
    m_stcTotal->setText(total);
    m_grpArriving->setTitle(QStringLiteral("What Will Arrive (the First Row)"));
    m_lstNumbers->setFocus();
}

void CDlgNumbersPreview::SetFilePath(const QString& path) {
    m_strFilePath = path;
}

void CDlgNumbersPreview::SetMessage(const QString& arriving, std::size_t partsPerNumber) {
    m_edtArriving->setPlainText(arriving);
    m_nPartsPerNumber = partsPerNumber;
}

QString CDlgNumbersPreview::TotalText(std::size_t numbers, std::size_t partsPerNumber) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("%1 %2 x %3 SMS = %4 SMS")
        .arg(english.toString(static_cast<qulonglong>(numbers)),
             numbers == 1 ? QStringLiteral("number") : QStringLiteral("numbers"),
             english.toString(static_cast<qulonglong>(partsPerNumber)),
             english.toString(static_cast<qulonglong>(numbers * partsPerNumber)));
}

QString CDlgNumbersPreview::GetArrivingText() const {
    return m_edtArriving->toPlainText();
}

QString CDlgNumbersPreview::GetTotalText() const {
    return m_stcTotal->text();
}

void CDlgNumbersPreview::OnInitDialog() {
    m_edtFilePath->setText(m_strFilePath);
    setWindowTitle(
        QStringLiteral("Number List - %1").arg(QGuiApplication::applicationDisplayName()));

    m_pModel->SetNumbers(nullptr);
    if (m_pPersonal != nullptr && m_pPersonalPlan != nullptr) {
        InitPersonal();
        return;
    }
    m_numberList.m_strFilePath = ToU16String(m_strFilePath);
    m_numberList.m_strRegion = NumbersRegion();
    std::u16string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = m_numberList.Load(error);
    const CNumberSet& numbers = m_numberList.m_mapNumbers;
    std::vector<std::string> problems(numbers.GetCount());
    std::size_t bad = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < problems.size(); ++i) {
        problems[i] = Phone::CheckNumber(numbers[i], m_numberList.m_strRegion);
        if (!problems[i].empty() && bad++ == 0) {
            first = i;
        }
    }
    std::size_t optedOut = 0;
    if (loaded) {
        std::vector<std::u16string> list(numbers.GetCount());
        for (std::size_t i = 0; i < list.size(); ++i) {
            list[i] = numbers[i];
        }
        const std::vector<bool> listed = OptedOut(list);
        for (std::size_t i = 0; i < listed.size(); ++i) {
            if (listed[i]) {
                problems[i] = PduLib::Utf16ToUtf8(kSkippedOptedOutText);
                ++optedOut;
            }
        }
    }
    QApplication::restoreOverrideCursor();
    ShowOptedOut(optedOut);
    m_stcProblems->clear();
    if (loaded && bad != 0) {
        m_stcProblems->setText(
            QStringLiteral("%1 Number(s) cannot be Valid. First: Line %2, %3: %4")
                .arg(static_cast<qulonglong>(bad))
                .arg(static_cast<qulonglong>(numbers.GetLine(first)))
                .arg(ToQString(numbers[first]), QString::fromStdString(problems[first])));
    }
    if (loaded) {
        m_pModel->SetNumbers(&numbers, std::move(problems));
        if (bad != 0) {
            m_lstNumbers->selectRow(static_cast<int>(first));
        }
    } else {
        CMessageBox::Show(this, CMessageBox::Kind::Error, ToQString(error));
    }
    m_stcCount->setTitle(QStringLiteral("%1 Unique Numbe(s) Found.")
                             .arg(static_cast<qulonglong>(m_numberList.m_mapNumbers.GetCount())));
    m_stcTotal->setText(
        TotalText(m_numberList.m_mapNumbers.GetCount() - optedOut, m_nPartsPerNumber));
    m_lstNumbers->setFocus();
}

void CDlgNumbersPreview::OnBnClickedOpenFile() {
    // Whether the desktop can open it is not reported, as with the shell.
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_strFilePath));
}

int CDlgNumbersPreview::GetRowCount() const {
    return m_lstNumbers->model()->rowCount();
}

QString CDlgNumbersPreview::GetCountText() const {
    return m_stcCount->title();
}

QString CDlgNumbersPreview::GetProblemsText() const {
    return m_stcProblems->text();
}

QString CDlgNumbersPreview::GetOptedOutText() const {
    return m_stcOptedOut->text();
}

std::vector<bool> CDlgNumbersPreview::OptedOut(const std::vector<std::u16string>& numbers) const {
    std::vector<bool> listed(numbers.size(), false);
    if (m_strStorePath.isEmpty()) {
        return listed;
    }
    CCampaignStore store;
    StoreError error;
    std::unordered_set<std::string> optedOut;
    if (!OpenStoreForVisit(m_strStorePath.toStdString(), false, store, error) ||
        !store.GetOptOutSet(optedOut, error) || optedOut.empty()) {
        // No store yet means no list; any other failure shows in the sending.
        return listed;
    }
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        listed[i] = optedOut.count(store.E164Of(PduLib::Utf16ToUtf8(numbers[i]))) != 0;
    }
    return listed;
}

void CDlgNumbersPreview::ShowOptedOut(std::size_t count) {
    m_stcOptedOut->setText(count == 0 ? QString()
                                      : QStringLiteral("%1 opted-out number(s) will be skipped.")
                                            .arg(static_cast<qulonglong>(count)));
}

void CDlgNumbersPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceControls();
}

void CDlgNumbersPreview::PlaceControls() {
    const CDialogUnits u(font());
    // The form grows with the window: the path and the list take the room.
    const int extraX = std::max(0, width() - u.X(kWidth));
    const int extraY = std::max(0, height() - u.Y(kHeight));
    auto* label = findChild<QLabel*>();
    label->setGeometry(u.Rect(7, 7, 33, 8).adjusted(0, 2, 0, 4));
    m_edtFilePath->setGeometry(u.Rect(43, 7, 199, 14).adjusted(0, 0, extraX, 0));
    m_btnOpenFile->setGeometry(u.Rect(247, 7, 50, 14).translated(extraX, 0));
    m_stcCount->setGeometry(u.Rect(7, 24, 290, 197).adjusted(0, 0, extraX, extraY));
    m_lstNumbers->setGeometry(
        u.Rect(7, 35, 290, 163).adjusted(u.X(4), 0, extraX - u.X(4), extraY - u.Y(4)));
    // Which numbers cannot be valid, under the list in the same frame.
    m_stcProblems->setGeometry(
        u.Rect(4, 175, 282, 10).translated(0, extraY).adjusted(0, 0, extraX, 0));
    m_stcOptedOut->setGeometry(
        u.Rect(4, 185, 282, 10).translated(0, extraY).adjusted(0, 0, extraX, 0));
    // What will arrive, under the list.
    m_grpArriving->setGeometry(
        u.Rect(7, 224, 290, 69).translated(0, extraY).adjusted(0, 0, extraX, 0));
    m_edtArriving->setGeometry(u.Rect(4, 11, 282, 40).adjusted(0, 0, extraX, 0));
    m_stcTotal->setGeometry(u.Rect(4, 53, 282, 12).adjusted(0, 0, extraX, 0));
}
