#include "tests/driver/DriverFixture.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

GetDriverFunc DriverEntryPoint() {
    static GetDriverFunc entry = [] {
        char exe[4096] = {};
        const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        std::string folder = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
        folder = folder.substr(0, folder.rfind('/') + 1);
        void *library = dlopen((folder + "libibdriver.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) return GetDriverFunc(nullptr);
        return reinterpret_cast<GetDriverFunc>(dlsym(library, "getIBDriver"));
    }();
    return entry;
}

std::unique_ptr<ISQLDriver> LoadDriver(const char *vendorLib) {
    GetDriverFunc entry = DriverEntryPoint();
    EXPECT_NE(entry, nullptr) << "libibdriver.so not found beside the test program";
    if (!entry) return nullptr;
    ISQLDriver *driver = nullptr;
    const SQLStatus status = entry(vendorLib, "", &driver);
    EXPECT_EQ(status, SQLStatus::Success);
    return std::unique_ptr<ISQLDriver>(driver);
}

std::string ErrorText(ISQLErrorSource &source) {
    std::string text;
    source.getErrorMessage(&text);
    return text;
}

std::unique_ptr<ISQLConnection> Connect(ISQLDriver &driver, const std::string &database,
                                        const std::vector<TestOption> &options) {
    ISQLConnection *raw = nullptr;
    EXPECT_EQ(driver.getSQLConnection(&raw), SQLStatus::Success);
    std::unique_ptr<ISQLConnection> connection(raw);
    if (!connection) return nullptr;
    connection->setOption(ConnOption::ServerCharSet, std::string("UTF8"));
    connection->setOption(ConnOption::SqlDialect, int64_t{3});
    for (const TestOption &option : options) connection->setOption(option.option, option.value);
    std::string password = "masterkey";
    if (const char *server = std::getenv("BATCHDEL_TEST_SERVER"); server && database.rfind(server, 0) == 0)
        password = std::getenv("BATCHDEL_TEST_SERVER_PASSWORD");
    const SQLStatus status = connection->connect(database, "SYSDBA", password);
    EXPECT_EQ(status, SQLStatus::Success) << ErrorText(*connection);
    if (status != SQLStatus::Success) return nullptr;
    return connection;
}

int64_t RunStatement(ISQLConnection &connection, const std::string &sql) {
    ISQLCommand *raw = nullptr;
    EXPECT_EQ(connection.getSQLCommand(&raw), SQLStatus::Success) << ErrorText(connection);
    std::unique_ptr<ISQLCommand> command(raw);
    if (!command) return -1;
    SQLStatus status = command->prepare(sql, 0);
    EXPECT_EQ(status, SQLStatus::Success) << sql << ": " << ErrorText(*command);
    ISQLCursor *cursor = nullptr;
    if (status == SQLStatus::Success) {
        status = command->execute(&cursor);
        EXPECT_EQ(status, SQLStatus::Success) << sql << ": " << ErrorText(*command);
    }
    EXPECT_EQ(cursor, nullptr);
    delete cursor;
    int64_t rows = -1;
    if (status == SQLStatus::Success) command->getRowsAffected(&rows);
    return rows;
}

OpenQuery Query(ISQLConnection &connection, const std::string &sql) {
    OpenQuery query;
    ISQLCommand *command = nullptr;
    EXPECT_EQ(connection.getSQLCommand(&command), SQLStatus::Success) << ErrorText(connection);
    query.command.reset(command);
    if (!command) return query;
    EXPECT_EQ(command->prepare(sql, 0), SQLStatus::Success) << sql << ": " << ErrorText(*command);
    ISQLCursor *cursor = nullptr;
    EXPECT_EQ(command->execute(&cursor), SQLStatus::Success) << sql << ": " << ErrorText(*command);
    query.cursor.reset(cursor);
    EXPECT_NE(cursor, nullptr) << sql;
    return query;
}

std::vector<std::vector<std::string>> FetchAll(ISQLCursor &cursor) {
    std::vector<std::vector<std::string>> rows;
    uint16_t count = 0;
    cursor.getColumnCount(&count);
    SQLStatus status;
    while ((status = cursor.next()) == SQLStatus::Success) {
        std::vector<std::string> row;
        for (uint16_t col = 1; col <= count; ++col) {
            DataType type;
            uint16_t subType;
            cursor.getColumnType(col, &type, &subType);
            bool isNull = false;
            std::string text;
            if (type == DataType::String || type == DataType::Memo || type == DataType::Blob) {
                const char *data = nullptr;
                uint32_t len = 0;
                EXPECT_EQ(cursor.getString(col, &data, &len, &isNull), SQLStatus::Success);
                text.assign(data, len);
            } else {
                int64_t value = 0;
                EXPECT_EQ(cursor.getInt64(col, &value, &isNull), SQLStatus::Success);
                text = std::to_string(value);
            }
            row.push_back(isNull ? "<NULL>" : text);
        }
        rows.push_back(row);
    }
    EXPECT_TRUE(IsEndOfRows(status)) << ErrorText(cursor);
    return rows;
}

int32_t DbDays(int year, unsigned month, unsigned day) {
    using namespace std::chrono;
    const sys_days date = year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    const sys_days origin = year_month_day{std::chrono::year{1858}, November, std::chrono::day{17}};
    return static_cast<int32_t>((date - origin).count());
}
