// The About box: the application's icon, name, maker, version and support
// address, and an OK button.
#pragma once

#include <QDialog>

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
