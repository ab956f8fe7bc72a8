// Opening the named connection from the connection and driver files: every
// way the files or the database can be wrong gives its own message and leaves
// the connection closed.
#include <gtest/gtest.h>

#include <QSettings>
#include <QStandardPaths>
#include <cctype>
#include <fstream>
#include <optional>

#include "ConfigLocation.h"
#include "Errors.h"
#include "SQLConnection.h"
#include "TestSupport.h"

namespace {

std::string Lower(std::string s) {
    for (char &c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void WriteText(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// One database for the whole suite: the cases only open it.
class ConnectionFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dbDir_ = new TempDir;
        database_ = MakeTestDatabase(*dbDir_, 2);
    }
    static void TearDownTestSuite() {
        delete dbDir_;
        dbDir_ = nullptr;
    }

    // A connection as the main window declares it, reading the files of dir_.
    std::unique_ptr<TSQLConnection> MakeConnection() {
        auto c = std::make_unique<TSQLConnection>("SQLConnection1");
        c->ConnectionName = "Trelvo";
        c->DriverName = "Interbase";
        c->GetDriverFunc = "getIBDriver";
        c->LibraryName = "ibdriver.dll";
        c->VendorLib = "gds32.dll";
        c->LoadParamsOnConnect = true;
        c->LoginPrompt = false;
        c->Params = {"DriverName=Interbase", "Database=127.0.0.1:C:\\Trelvo\\Data\\2E\\POSDATA.GDB", "User_Name=SYSDBA",
                     "Password=tornquale"};
        c->SetConnectionFile(dir_.file("connections.ini"));
        c->SetDriverFile(dir_.file("drivers.ini"));
        return c;
    }

    static TempDir *dbDir_;
    static std::string database_;
    TempDir dir_;
};
TempDir *ConnectionFilesTest::dbDir_ = nullptr;
std::string ConnectionFilesTest::database_;

// How a case's files look. "$DB" stands for the suite's database, "$DIR"
// for the case's folder.
struct FilesCase {
    const char *name;
    std::optional<std::string> connections;  // nullopt: no file
    std::optional<std::string> drivers;
    const char *errorClass;  // nullptr: the connect succeeds
    std::string message;     // exact, or a part of it when partOnly
    bool partOnly = false;
    bool needsServer = false;
};

std::string Expand(std::string text, const std::string &db, const std::string &dir) {
    for (auto [from, to] : {std::pair<std::string, std::string>{"$DB", db}, {"$DIR", dir}}) {
        for (size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
    }
    return text;
}

const std::string kDrivers =
    "[Interbase]\nLibraryName=libibdriver.so\nVendorLib=libfbclient.so.2\n"
    "GetDriverFunc=getIBDriver\n";
const std::string kBase =
    "[Trelvo]\nDriverName=Interbase\nDatabase=$DB\nUser_Name=SYSDBA\n"
    "Password=masterkey\n";
const std::string kGood = kBase + "SQLDialect=3\n";

std::string With(const std::string &extra) { return kGood + extra + "\n"; }

const FilesCase kFilesCases[] = {
    {"GoodFilesConnect", kGood, kDrivers, nullptr, ""},
    {"MissingConnectionFile", std::nullopt, kDrivers, "EDatabaseError",
     "Driver/Connection Registry File '$DIR/connections.ini' not found"},
    {"EmptyConnectionFile", "", kDrivers, "EDatabaseError", "Missing DriverName property"},
    {"NoTrelvoSection", "[Other]\nDriverName=Interbase\nDatabase=$DB\n", kDrivers, "EDatabaseError",
     "Missing DriverName property"},
    {"SectionNameInOtherCase", "[TRELVO]\nDriverName=Interbase\nDatabase=$DB\n", kDrivers, nullptr, ""},
    {"LaterDuplicateSectionWins", "[Trelvo]\nDriverName=Interbase\nDatabase=$DB\n[trelvo]\nDriverName=Interbase\n",
     kDrivers, "EDatabaseError", "Missing Database property"},
    {"LaterDuplicateSectionWinsGood", "[Trelvo]\nDriverName=Interbase\n[Trelvo]\nDriverName=Interbase\nDatabase=$DB\n",
     kDrivers, nullptr, ""},
    {"MissingDatabaseKey", "[Trelvo]\nDriverName=Interbase\n", kDrivers, "EDatabaseError", "Missing Database property"},
    {"EmptyDatabaseValue", "[Trelvo]\nDriverName=Interbase\nDatabase=   \n", kDrivers, "EDatabaseError",
     "Missing Database property"},
    {"KeysInOtherLetterCase",
     "[Trelvo]\nDRIVERNAME=Interbase\ndatabase=$DB\nuser_name=SYSDBA\n"
     "sqldialect=3\n",
     kDrivers, nullptr, ""},
    {"CrLfAndByteOrderMark", "\xEF\xBB\xBF[Trelvo]\r\nDriverName=Interbase\r\nDatabase=$DB\r\nSQLDialect=3\r\n",
     kDrivers, nullptr, ""},
    {"MissingDriverFile", kGood, std::nullopt, "EDatabaseError", "SQLConnection1: DLL/Shared Library Name not Set"},
    {"DriverFileWithoutSection", kGood, "[Other]\nLibraryName=libibdriver.so\n", "EDatabaseError",
     "SQLConnection1: DLL/Shared Library Name not Set"},
    {"DriverFileWithoutVendorLib", kGood, "[Interbase]\nLibraryName=libibdriver.so\n", "EDatabaseError",
     "SQLConnection1: DLL/Shared Library Name not Set"},
    {"NonIntegerSqlDialect", kBase + "SqlDialect=three\n", kDrivers, "EConvertError",
     "'three' is not a valid integer value"},
    {"NonIntegerConnectionTimeout", With("Connection Timeout=soon"), kDrivers, "EConvertError",
     "'soon' is not a valid integer value"},
    {"NonIntegerBlobSize", With("BlobSize=big"), kDrivers, "EConvertError", "'big' is not a valid integer value"},
    {"MissingDriverLibrary", kGood,
     "[Interbase]\nLibraryName=libnosuchdriver.so\nVendorLib=libfbclient.so.2\n"
     "GetDriverFunc=getIBDriver\n",
     "EDatabaseError", "Unable to Load libnosuchdriver.so"},
    {"MissingEntryPoint", kGood,
     "[Interbase]\nLibraryName=libibdriver.so\nVendorLib=libfbclient.so.2\n"
     "GetDriverFunc=getNoDriver\n",
     "EDatabaseError", "Unable to Find Procedure getNoDriver"},
    {"MissingClientLibrary", kGood,
     "[Interbase]\nLibraryName=libibdriver.so\nVendorLib=libnosuchclient.so\n"
     "GetDriverFunc=getIBDriver\n",
     "EDatabaseError", "Unable to Load libnosuchclient.so"},
    {"MissingDatabaseFile", "[Trelvo]\nDriverName=Interbase\nDatabase=$DIR/absent.fdb\nUser_Name=SYSDBA\n", kDrivers,
     "EDatabaseError", "absent.fdb", true},
    {"UnreachableServer",
     "[Trelvo]\nDriverName=Interbase\nDatabase=127.0.0.1/1:/nowhere.fdb\nUser_Name=SYSDBA\n"
     "Connection Timeout=5\n",
     kDrivers, "EDatabaseError", "network", true},
};

class ConnectionFilesCaseTest : public ConnectionFilesTest, public ::testing::WithParamInterface<FilesCase> {};

TEST_P(ConnectionFilesCaseTest, GivesItsOwnMessageAndStaysClosedOnFailure) {
    const FilesCase &c = GetParam();
    if (c.connections) WriteText(dir_.file("connections.ini"), Expand(*c.connections, database_, dir_.path()));
    if (c.drivers) WriteText(dir_.file("drivers.ini"), *c.drivers);
    auto connection = MakeConnection();

    for (int attempt = 0; attempt < 2; ++attempt) {  // a second try fails alike, without a crash
        if (!c.errorClass) {
            ASSERT_NO_THROW(connection->Open());
            EXPECT_TRUE(connection->Connected());
            EXPECT_NE(connection->MetaData(), nullptr);
            connection->Close();
            EXPECT_FALSE(connection->Connected());
            continue;
        }
        try {
            connection->Open();
            ADD_FAILURE() << "the connect succeeded";
        } catch (const Exception &e) {
            EXPECT_EQ(e.ClassName(), c.errorClass);
            const std::string expected = Expand(c.message, database_, dir_.path());
            if (c.partOnly)
                EXPECT_NE(Lower(e.Message()).find(Lower(expected)), std::string::npos) << e.Message();
            else
                EXPECT_EQ(e.Message(), expected);
        }
        EXPECT_FALSE(connection->Connected());
        EXPECT_EQ(connection->MetaData(), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ConnectionFilesCaseTest, ::testing::ValuesIn(kFilesCases),
                         [](const auto &param) { return std::string(param.param.name); });

TEST_F(ConnectionFilesTest, EmptyConnectionNameIsReportedFirst) {
    auto connection = MakeConnection();
    connection->ConnectionName.clear();
    try {
        connection->Open();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), "Connection name missing");
    }
}

TEST_F(ConnectionFilesTest, SectionReplacesParamsAndDriverFileSetsTheLibrary) {
    WriteConfigFiles(dir_.path(), database_, {"RowsetSize=50"});
    auto connection = MakeConnection();
    connection->Open();
    EXPECT_EQ(connection->ParamValue("database"), database_);
    EXPECT_EQ(connection->ParamValue("Password"), "masterkey");  // not the stored one
    EXPECT_EQ(connection->ParamValue("RowsetSize"), "50");
    EXPECT_EQ(connection->LibraryName, "libibdriver.so");
    EXPECT_EQ(connection->VendorLib, "libfbclient.so.2");
    EXPECT_EQ(connection->GetDriverFunc, "getIBDriver");
}

TEST_F(ConnectionFilesTest, ParamsAreLoadedOnceUntilTheNextDisconnect) {
    WriteText(dir_.file("connections.ini"), "[Trelvo]\nDriverName=Interbase\n");
    WriteText(dir_.file("drivers.ini"), kDrivers);
    auto connection = MakeConnection();
    EXPECT_THROW(connection->Open(), EDatabaseError);  // Missing Database property

    // The list stays loaded after the failure: fixing the file changes nothing yet.
    WriteConfigFiles(dir_.path(), database_);
    try {
        connection->Open();
        FAIL();
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.Message(), "Missing Database property");
    }

    // A connection whose list was read with the database opens; after a
    // disconnect the file is read again.
    auto second = MakeConnection();
    second->Open();
    WriteConfigFiles(dir_.path(), database_, {"RowsetSize=7"});
    EXPECT_EQ(second->ParamValue("RowsetSize"), "");
    second->Close();
    second->Open();
    EXPECT_EQ(second->ParamValue("RowsetSize"), "7");
}

TEST_F(ConnectionFilesTest, StoredValuesAreUsedWhenParamsAreNotLoadedOnConnect) {
    auto connection = MakeConnection();
    connection->LoadParamsOnConnect = false;
    connection->LibraryName = "libibdriver.so";
    connection->VendorLib = "libfbclient.so.2";
    connection->Params = {"Database=" + database_, "User_Name=SYSDBA", "Password=masterkey"};
    connection->Open();  // no files exist in dir_
    EXPECT_TRUE(connection->Connected());
}

TEST_F(ConnectionFilesTest, ConnectedWhileLoadingWaitsForTheEndOfLoading) {
    WriteConfigFiles(dir_.path(), database_);
    auto connection = MakeConnection();
    connection->BeginLoading();
    connection->SetConnected(true);
    EXPECT_FALSE(connection->Connected());
    connection->EndLoading();
    EXPECT_TRUE(connection->Connected());
}

TEST_F(ConnectionFilesTest, BusyPointerIsShownWhileConnectingAndRestoredAfterFailure) {
    std::vector<bool> calls;
    TSQLConnection::SetBusyCursorHook([&](bool busy) { calls.push_back(busy); });
    WriteText(dir_.file("connections.ini"),
              "[Trelvo]\nDriverName=Interbase\nDatabase=" + dir_.file("absent.fdb") + "\n");
    WriteText(dir_.file("drivers.ini"), kDrivers);
    auto failing = MakeConnection();
    EXPECT_THROW(failing->Open(), EDatabaseError);
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));

    calls.clear();
    auto noPointer = MakeConnection();
    noPointer->SQLHourGlass = false;
    EXPECT_THROW(noPointer->Open(), EDatabaseError);
    EXPECT_TRUE(calls.empty());
    TSQLConnection::SetBusyCursorHook(nullptr);
}

TEST_F(ConnectionFilesTest, ServerRejectsAWrongPassword) {
    BATCHDEL_REQUIRE_TEST_SERVER();
    ServerDatabase db("conn_password");
    CreateDemoDatabase(db.connectString(), 1, 1, TestServerLogin());
    WriteConfigFiles(dir_.path(), db.connectString(), {"Password=wrong" + TestServerPassword()});
    auto connection = MakeConnection();
    try {
        connection->Open();
        FAIL() << "a wrong password was accepted";
    } catch (const EDatabaseError &e) {
        EXPECT_NE(Lower(e.Message()).find("password"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(connection->Connected());

    WriteConfigFiles(dir_.path(), db.connectString());
    auto good = MakeConnection();
    good->Open();
    EXPECT_TRUE(good->Connected());
}

TEST(ConnectionFileLocationTest, UserSettingsNameTheFilesElseTheyAreBesideTheProgram) {
    TempDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settingsDir.path()));
    EXPECT_EQ(ConnectionFilePath(), ProgramFolder() + "connections.ini");
    EXPECT_EQ(DriverFilePath(), ProgramFolder() + "drivers.ini");
    {
        QSettings settings(QStringLiteral("DataDriver"));
        settings.setValue(kConnectionFileKey, "/etc/shop/connections.ini");
        settings.setValue(kDriverFileKey, "");
    }
    EXPECT_EQ(ConnectionFilePath(), "/etc/shop/connections.ini");
    EXPECT_EQ(DriverFilePath(), ProgramFolder() + "drivers.ini");
    EXPECT_EQ(TSQLConnection("c").ConnectionFile(), "/etc/shop/connections.ini");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

TEST(ConnectionFileLocationTest, ProgramFolderHoldsTheDriverLibrary) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::ifstream(folder + "libibdriver.so").good()) << folder;
}

}  // namespace
