#include "tests/app/WindowDatabase.h"

#include <QDir>

#include "tests/support/TestSupport.h"

namespace {
struct Files {
    TempDir dir;
    std::string database;
    Files() : database(MakeTestDatabase(dir, kWindowDatabaseOrders)) { WriteConfigFiles(dir.path(), database); }
};

Files &TheFiles() {
    static Files files;
    return files;
}
}  // namespace

const std::string &WindowDatabasePath() { return TheFiles().database; }

TFormDulvaneSetup WindowSetup(double dpi) {
    TFormDulvaneSetup setup;
    setup.dpi = dpi;
    setup.connectionFile = TheFiles().dir.file("connections.ini");
    setup.driverFile = TheFiles().dir.file("drivers.ini");
    return setup;
}

TFormDulvaneSetup BrokenWindowSetup() {
    static TempDir dir;
    static const bool written = (WriteConfigFiles(dir.path(), dir.file("missing.fdb")), true);
    (void)written;
    TFormDulvaneSetup setup;
    setup.dpi = 96;
    setup.connectionFile = dir.file("connections.ini");
    setup.driverFile = dir.file("drivers.ini");
    return setup;
}

TFormDulvaneSetup FolderWindowSetup(const std::string &folder) {
    TFormDulvaneSetup setup;
    setup.dpi = 96;
    setup.connectionFile = folder + "/connections.ini";
    setup.driverFile = folder + "/drivers.ini";
    setup.dataFolder = folder + "/";
    QDir().mkpath(QString::fromStdString(folder + "/cds"));
    return setup;
}
