// The message field: multi-line, Enter inserts a line break, Tab moves on.
// Typing and pasting stop where the text would no longer fit: the check sees
// the text as it is stored and sent, line breaks as CR LF. Text set by the
// program is never cut: a longer message is shown whole and typing is
// refused until it fits again.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <functional>

class CMessageEdit final : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CMessageEdit(QWidget* parent = nullptr);

    // Whether a whole text (CR LF line breaks) may be typed; none: any.
    using FitCheck = std::function<bool(const QString& text)>;
    void SetFitCheck(FitCheck fits) { m_fnFits = std::move(fits); }

    // The text with CR LF line breaks.
    QString Text() const;
    // Shows `text` (CR LF or LF line breaks) whole, without the limit.
    void SetText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // Whether `text` (LF line breaks) may replace the current selection.
    bool Fits(const QString& text) const;

    FitCheck m_fnFits;
};
