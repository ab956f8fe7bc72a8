#pragma once
// Direct access to a Firebird database through the client library. The demo
// database maker and the tests' own checks use it; it never goes through the
// program's driver, so a test can compare what the driver did with what is
// really in the database.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace batchdel {

// Login for a database. An embedded database (a plain file path) takes any
// password; a server checks it.
struct DbLogin {
    std::string user = "SYSDBA";
    std::string password = "masterkey";
};

// A failure reported by the client library, with its own text.
class DirectDbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text a query gives for a NULL value.
inline constexpr const char *kDirectNullText = "<NULL>";

// One attachment to a database (UTF8 connection character set).
class DirectDatabase {
public:
    // Creates a new database file: UTF8 default character set, dialect 3.
    // Forced writes start off (fast loading); see SetForcedWrites.
    static DirectDatabase Create(const std::string &database, const DbLogin &login = {});
    static DirectDatabase Open(const std::string &database, const DbLogin &login = {});
    // Turns forced writes on or off; this needs the only attachment.
    static void SetForcedWrites(const std::string &database, bool on, const DbLogin &login = {});

    DirectDatabase(DirectDatabase &&) noexcept;
    DirectDatabase &operator=(DirectDatabase &&) noexcept;
    ~DirectDatabase();

    // Runs each statement in one transaction, committed after the last.
    void Execute(const std::vector<std::string> &statements);
    // Every row of a query with each value as text (NULL as kDirectNullText).
    std::vector<std::vector<std::string>> Query(const std::string &sql);

    struct Impl;
    Impl &impl() { return *impl_; }

private:
    explicit DirectDatabase(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace batchdel
