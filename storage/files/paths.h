// Paths inside storage: the bytes the file system uses, so every name can be opened whether or
// not it can be shown. A path never ends in '/' (but the root itself), so two paths to the same
// place compare equal; names are joined onto folders by JoinPath alone.
#pragma once

#include <QString>

#include <string>

namespace kivo {

// The bytes of a path, as the file system takes them, and back.
std::string PathBytes(const QString& path);
QString PathText(const std::string& path);

// A name joined onto a folder with one '/'.
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder part of a path ("." for a bare name) and its last part.
std::string FolderPart(const std::string& path);
std::string NamePart(const std::string& path);
// The path without a trailing '/' (the root stays "/").
std::string WithoutTrailingSlash(std::string path);

} // namespace kivo
