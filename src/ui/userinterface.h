// The one place where the program asks the user something outside its own
// windows: message boxes, the file and folder dialogs, and opening a web
// address. The window code calls only this interface, so tests answer the
// questions by script. Used on the user-interface thread only.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

class QWidget;

namespace brisolt
{

enum class TMessageButtons
{
    Ok,
    YesNo,
};

enum class TMessageResult
{
    Ok,
    Yes,
    No,
};

// Filters are written as description|patterns pairs, several pairs joined by
// "|": "Torrent Dateien (*.torrent)|*.torrent".
// A dialog starts in the folder of FileName when that folder exists, else in
// Folder when that exists, else in the home folder.
struct TOpenFileRequest
{
    QString Filter;
    QString FileName; // proposed path, may be empty
    QString Folder;   // where to start without a proposal
};

struct TSaveFileRequest
{
    QString Filter;
    QString FileName;      // proposed path, may be empty
    QString DefaultSuffix; // added when the chosen name has none, e.g. "torrent"
    bool ConfirmOverwrite = true;
    QString Folder; // where to start without a proposal
};

class TUserInterface
{
public:
    virtual ~TUserInterface() = default;

    // Text, caption and buttons; no icon. Returns the button pressed.
    virtual TMessageResult MessageBox(const QString& text, const QString& caption, TMessageButtons buttons) = 0;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> OpenFile(const TOpenFileRequest& request) = 0;
    virtual std::optional<QString> SaveFile(const TSaveFileRequest& request) = 0;
    // Starts in folder when it exists, else in the home folder.
    virtual std::optional<QString> BrowseForFolder(const QString& title, const QString& folder) = 0;
    // Opens the address with the desktop's default program; does not wait.
    // False when no program could be started for it.
    virtual bool OpenUrl(const QString& url) = 0;
};

// The real dialogs, owned by the given window (may be set later).
class TQtUserInterface final : public TUserInterface
{
public:
    explicit TQtUserInterface(QWidget* owner = nullptr);

    void SetOwner(QWidget* owner) { Owner = owner; }

    TMessageResult MessageBox(const QString& text, const QString& caption, TMessageButtons buttons) override;
    std::optional<QString> OpenFile(const TOpenFileRequest& request) override;
    std::optional<QString> SaveFile(const TSaveFileRequest& request) override;
    std::optional<QString> BrowseForFolder(const QString& title, const QString& folder) override;
    bool OpenUrl(const QString& url) override;

    // "Alle Dateien (*.*)|*.*" in Qt's form, "Alle Dateien (*)": on this
    // platform "*.*" would leave out names without a dot.
    [[nodiscard]] static QString QtFilter(const QString& filter);

private:
    QWidget* Owner;
};

// Records every call and answers from queues; an empty queue answers OK to a
// message box, No to a question, and cancel to every dialog.
class TScriptedUserInterface final : public TUserInterface
{
public:
    enum class TKind
    {
        MessageBox,
        OpenFile,
        SaveFile,
        BrowseForFolder,
        OpenUrl,
    };

    struct TCall
    {
        TKind Kind = TKind::MessageBox;
        QString Text; // message text, dialog title or address
        QString Caption;
        TMessageButtons Buttons = TMessageButtons::Ok;
        QString Filter;
        QString FileName;
        QString DefaultSuffix;
        bool ConfirmOverwrite = false;
        QString Folder; // where the dialog was asked to start
    };

    std::vector<TCall> Calls;
    std::deque<TMessageResult> Answers;
    std::deque<std::optional<QString>> Paths;
    bool BrowserStarts = true; // what OpenUrl answers

    TMessageResult MessageBox(const QString& text, const QString& caption, TMessageButtons buttons) override;
    std::optional<QString> OpenFile(const TOpenFileRequest& request) override;
    std::optional<QString> SaveFile(const TSaveFileRequest& request) override;
    std::optional<QString> BrowseForFolder(const QString& title, const QString& folder) override;
    bool OpenUrl(const QString& url) override;

    // The message boxes shown so far, as "caption: text" lines, for test output.
    [[nodiscard]] QStringList Messages() const;

private:
    std::optional<QString> NextPath();
};

} // namespace brisolt
