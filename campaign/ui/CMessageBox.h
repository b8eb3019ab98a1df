// Every message box of the program goes through here: the application's
// title as caption, the information icon for missing input, the error icon
// for failures. Tests install a handler that records the boxes instead of
// showing them.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <vector>

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

    // One button of Choose: the answer it stands for and its own label.
    struct Choice {
        QMessageBox::StandardButton button;
        QString text;
    };
    // Asks a question with the buttons `choices` (the first is the default,
    // the last the one Escape gives); returns the answer chosen. A handler
    // sees it as a question.
    static QMessageBox::StandardButton Choose(QWidget* parent, const QString& text,
                                              const std::vector<Choice>& choices);

    // Replaces the real boxes; an empty handler brings them back.
    static void SetHandler(Handler handler);

private:
    static Handler& CurrentHandler();
};
