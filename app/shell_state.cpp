#include "shell_state.h"

#include "captions_and_numbers.h"
#include "recovery.h"

#include <QDir>

namespace kivo {

QString WithTrailingSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

ShellState FindStartDirectory() {
    ShellState shell;
    shell.baseDir = WithTrailingSlash(QDir::currentPath());
    shell.levelDir = shell.baseDir;
    shell.recoveryDir = RecoveryFolder();
    return shell;
}

QString FolderOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString WithLevelExtension(const QString& path) {
    const QString extension = QString::fromLatin1(LEVEL_FILE_EXTENSION);
    return path.endsWith(extension, Qt::CaseSensitive) ? path : path + extension;
}

} // namespace kivo
