#include "data/sql/ConfigLocation.h"

#include <unistd.h>

#include <QSettings>
#include <QString>

std::string ProgramFolder() {
    std::string path(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return "./";
    path.resize(size_t(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string ConfigFilePath(const std::string &settingValue, const char *defaultFileName) {
    if (!settingValue.empty()) return settingValue;
    return ProgramFolder() + defaultFileName;
}

namespace {
std::string ReadSetting(const char *key) {
    QSettings settings(QStringLiteral("DataDriver"));
    return settings.value(QString::fromUtf8(key)).toString().toStdString();
}
}  // namespace

std::string ConnectionFilePath() { return ConfigFilePath(ReadSetting(kConnectionFileKey), "connections.ini"); }

std::string DriverFilePath() { return ConfigFilePath(ReadSetting(kDriverFileKey), "drivers.ini"); }
