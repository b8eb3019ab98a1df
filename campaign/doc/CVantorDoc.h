// The campaign document: the path of the numbers file and the message (and,
// for a .csv table of personal messages, its numbers column). One document
// lives for the whole run; New and Open reuse it.
#pragma once

#include <QObject>
#include <QString>

class CVantorDoc final : public QObject {
    Q_OBJECT

public:
    explicit CVantorDoc(QObject* parent = nullptr);

    // Store the text and mark the document modified.
    void SetNumbersFile(const QString& path);
    void SetMessage(const QString& message);
    void SetNumberColumn(const QString& column);
    // A campaign of personal messages: its numbers file is a .csv table.
    bool IsPersonal() const;

    // Empties both fields; the document is then unnamed and unmodified.
    bool OnNewDocument();
    // Reads `path`. On failure `error` holds the message for the user and the
    // document stays exactly as it was.
    bool OnOpenDocument(const QString& path, QString& error);
    // Writes `path` (replaced only once the new content is complete). On
    // failure `error` holds the message for the user and the document keeps
    // its name and modified flag.
    bool OnSaveDocument(const QString& path, QString& error);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);
    // The file the document was last opened from or saved to; empty if none.
    const QString& GetPathName() const { return m_strPathName; }
    // The name shown to the user: the file name, or "Untitled".
    QString GetTitle() const;

    QString m_strNumbersFile;
    // The message as typed, line breaks as CR LF, without the signature.
    QString m_strMessage;
    // The column of a .csv table that holds the numbers; empty: guessed.
    QString m_strNumberColumn;

signals:
    void modifiedChanged(bool modified);
    void pathNameChanged(const QString& path);

private:
    void SetPathName(const QString& path);

    bool m_bModified = false;
    QString m_strPathName;
};
