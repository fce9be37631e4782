// Every message box and file dialog of the editor passes through these callbacks, so that a
// test can answer them.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace kivo {

enum class MessageKind { Information, Error };
enum class FileDialogKind { Open, Save };

struct Dialogs {
    // A Yes/No question; true for Yes.
    std::function<bool(QWidget* parent, const QString& title, const QString& question)> confirm;
    // A message with a single OK button.
    std::function<void(QWidget* parent, MessageKind kind, const QString& title,
                       const QString& text)>
        tell;
    // The full path the user chose, or an empty text when they cancelled.
    std::function<QString(QWidget* parent, FileDialogKind kind, const QString& title,
                          const QString& folder)>
        chooseFile;
    // A question answered by one of the named buttons; the index of the one pressed, or -1
    // when the box was closed without an answer.
    std::function<int(QWidget* parent, const QString& title, const QString& text,
                      const QStringList& choices)>
        choose;
    // An item picked from a list, starting at `current`: its index, or -1 when cancelled.
    std::function<int(QWidget* parent, const QString& title, const QString& label,
                      const QStringList& items, int current)>
        pick;
};

// The platform's message boxes and file dialogs.
Dialogs PlatformDialogs();

} // namespace kivo
