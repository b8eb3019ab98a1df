#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include "app/CIconPainter.h"
#include "app/Maker.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("About %1").arg(QGuiApplication::applicationDisplayName()));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* icon = new QLabel(this);
    icon->setPixmap(CIconPainter::AppIcon().pixmap(48, 48));
    auto* text = new QLabel(QStringLiteral("%1 by %2\n\nVersion %3")
                                .arg(QLatin1String(Maker::kProduct), QLatin1String(Maker::kDomain),
                                     QLatin1String(Maker::kVersion)),
                            this);
    text->setObjectName(QStringLiteral("aboutText"));
    auto* support = new QLabel(
        QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(QLatin1String(Maker::kSupportEmail)),
        this);
    support->setObjectName(QStringLiteral("aboutSupport"));
    support->setTextInteractionFlags(Qt::TextBrowserInteraction);
    support->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(16);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(text, 0, 1);
    grid->addWidget(support, 1, 1);
    grid->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
}
