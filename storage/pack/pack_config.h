// A pack's config.txt: four lines (name, author, date created, pack id) ended by CR LF, and
// whatever follows them, kept byte for byte. Texts are the file's bytes, unchanged.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

namespace kivo {

// The longest config.txt read; the four lines used are far shorter.
constexpr qint64 MAX_CONFIG_BYTES = 64 * 1024;
// The longest text the panel's fields show whole.
constexpr qsizetype MAX_PACK_TEXT_LENGTH = 32767;

// config.txt as read: the four texts, the bytes after the fourth line, and why the panel
// cannot show it whole (empty when it can). A line ends at CR LF, a lone CR, a lone LF or
// the end; a NUL is a character of its line. Missing lines are empty.
struct PackConfig {
    std::vector<std::string> lines;
    std::string rest;
    QString problem;
};
PackConfig ParsePackConfig(const QByteArray& bytes);

// The file for these lines, each ended by CR LF, and the bytes after them.
QByteArray ConfigBytes(const std::vector<std::string>& lines, const std::string& rest = {});

// A text as one line of config.txt: a line break or NUL inside it would split it.
std::string OneLine(std::string text);

// Pack texts on screen: UTF-8 where the bytes are valid UTF-8, otherwise one character per
// byte; a NUL shows as the sign for it, U+2400. StoredPackText gives back the original bytes
// while the shown text is unchanged, so bytes of any 8-bit character set survive an Apply
// Change, and writes an edited text in the encoding the original was read in (8-bit where
// every character fits).
QString ShownPackText(const std::string& bytes);
std::string StoredPackText(const QString& shown, const std::string& original);

} // namespace kivo
