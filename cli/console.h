// What every kivo-level command shares: its output streams, exit statuses, complaints about
// usage and the writing of pictures.
#pragma once

#include "render.h"

#include <QByteArray>
#include <QTextStream>

#include <string>
#include <vector>

namespace kivo {

constexpr int SOUND = 0;
constexpr int PROBLEM_FOUND = 1;
constexpr int BAD_USAGE = 2;

using Args = std::vector<std::string>;

QTextStream& Out();
QTextStream& Err();

// Says what is wrong with the arguments and returns BAD_USAGE.
int Usage(const QString& complaint);

// The format a picture's name asks for by its ending, empty when Qt cannot write it; and the
// complaint about a name whose ending names none.
QByteArray PictureFormat(const std::string& output);
int UnknownFormat(const std::string& output);

// Writes the picture to a new name or over a picture of its format, never over `input`.
FileResult WritePicture(const QImage& picture, const std::string& input, const std::string& output,
                        const QByteArray& format);

} // namespace kivo
