// Every message box of the program goes through here: the application's
// title as caption, the information icon for missing input, the error icon
// for failures. Tests install a handler that records the boxes instead of
// showing them.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

class CMessageBox final {
public:
    enum class Kind { Information, Error, Question };

    // Receives every box; returns the button that "closes" it.
    using Handler =
        std::function<QMessageBox::StandardButton(QWidget* parent, Kind kind, const QString& text)>;

    // Shows `text` modally with an OK button.
    static void Show(QWidget* parent, Kind kind, const QString& text);
    // Asks a Yes / No / Cancel question; returns the button chosen.
    static QMessageBox::StandardButton Ask(QWidget* parent, const QString& text);

    // Replaces the real boxes; an empty handler brings them back.
    static void SetHandler(Handler handler);

private:
    static Handler& CurrentHandler();
};
