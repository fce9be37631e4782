#include "pack_config.h"

#include "storage/files/shown_text.h"

#include <algorithm>

namespace kivo {

namespace {

constexpr size_t CONFIG_LINE_COUNT = 4;
constexpr char16_t NUL_SIGN = u'\u2400';

// Why the panel cannot show a line of config.txt whole, if it cannot.
QString LineProblem(const std::string& line, int number) {
    if (line.find('\0') != std::string::npos) {
        return QStringLiteral("line %1 holds a NUL byte, which the panel cannot keep").arg(number);
    }
    if (ShownPackText(line).size() > MAX_PACK_TEXT_LENGTH) {
        return QStringLiteral("line %1 is longer than the %2 characters the panel shows")
            .arg(number)
            .arg(MAX_PACK_TEXT_LENGTH);
    }
    return {};
}

} // namespace

PackConfig ParsePackConfig(const QByteArray& bytes) {
    PackConfig config;
    qsizetype pos = 0;
    while (config.lines.size() < CONFIG_LINE_COUNT && pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        config.lines.emplace_back(bytes.constData() + pos, size_t(end - pos));
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() &&
            bytes[end + 1] == '\n') {
            ++end;
        }
        pos = std::min(end + 1, bytes.size());
    }
    config.lines.resize(CONFIG_LINE_COUNT);
    config.rest.assign(bytes.constData() + pos, size_t(bytes.size() - pos));
    for (size_t i = 0; i < config.lines.size() && config.problem.isEmpty(); ++i) {
        config.problem = LineProblem(config.lines[i], int(i) + 1);
    }
    return config;
}

QByteArray ConfigBytes(const std::vector<std::string>& lines, const std::string& rest) {
    QByteArray bytes;
    for (const std::string& line : lines) {
        bytes.append(line.data(), qsizetype(line.size()));
        bytes.append("\r\n");
    }
    return bytes.append(rest.data(), qsizetype(rest.size()));
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return text;
}

QString ShownPackText(const std::string& bytes) {
    QString shown = IsValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                                       : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return shown.replace(QChar(0), QChar(NUL_SIGN));
}

std::string StoredPackText(const QString& shown, const std::string& original) {
    if (shown == ShownPackText(original)) {
        return original;
    }
    const bool fitsEightBits =
        std::all_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    if (!IsValidUtf8(original) && fitsEightBits) {
        return shown.toLatin1().toStdString();
    }
    return shown.toStdString();
}

} // namespace kivo
