#include "shell_state.h"

#include "storage/level/recovery_copy.h"

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

} // namespace kivo
