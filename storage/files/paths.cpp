#include "paths.h"

#include <QFile>

namespace kivo {

std::string PathBytes(const QString& path) {
    return WithoutTrailingSlash(QFile::encodeName(path).toStdString());
}

QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + '/' + name;
}

std::string FolderPart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NamePart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace kivo
