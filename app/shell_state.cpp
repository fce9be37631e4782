#include "shell_state.h"

#include "recovery.h"

#include <QDir>

namespace kivo {

QString WithTrailingSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

ShellState FindStartDirectory() {
    ShellState shell;
    shell.baseDir = WithTrailingSlash(QDir::currentPath());
    shell.recoveryDir = RecoveryFolder();
    return shell;
}

QString FolderOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace kivo
