// The message field: multi-line, Enter inserts a line break, Tab moves on.
// Typing and pasting stop at a limit counted the way the message is stored
// and sent, a line break as two characters (CR LF). Text set by the program
// is never cut: a longer message is shown whole and typing is refused until
// it is shorter than the limit.
#pragma once

#include <QPlainTextEdit>
#include <QString>

class CMessageEdit final : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CMessageEdit(QWidget* parent = nullptr);

    void SetLimit(int limit) { m_nLimit = limit; }
    int GetLimit() const { return m_nLimit; }

    // The text with CR LF line breaks.
    QString Text() const;
    // Shows `text` (CR LF or LF line breaks) whole, without the limit.
    void SetText(const QString& text);

    // Length with every line break counted as two characters.
    static int StoredLength(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // How many stored characters may still be inserted in place of the
    // current selection.
    int Room() const;

    int m_nLimit = 32767;
};
