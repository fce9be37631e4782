// Running a program, kivo-level among them, and looking at what it says.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>

namespace kivo {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

// Runs the program in `folder` (the current one when empty) and collects what it says.
inline Outcome RunProgram(const QString& program, const QStringList& args,
                          const QString& folder = {}) {
    QProcess process;
    if (!folder.isEmpty()) {
        process.setWorkingDirectory(folder);
    }
    process.start(program, args);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Each of `parts` is somewhere in `text`.
inline void ExpectHas(const QString& text, const QStringList& parts) {
    for (const QString& part : parts) {
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\nin\n" << text.toStdString();
    }
}

} // namespace kivo
