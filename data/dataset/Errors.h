#pragma once
// Failure classes. Every failure the program reports is one of these: a class
// name (shown by the start-up failure report) and a message (shown by every
// report). Messages are UTF-8.
#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    Exception(std::string className, std::string message)
        : className_(std::move(className)), message_(std::move(message)) {}
    const std::string &ClassName() const noexcept { return className_; }
    const std::string &Message() const noexcept { return message_; }
    const char *what() const noexcept override { return message_.c_str(); }

private:
    std::string className_;
    std::string message_;
};

// What a failure of the database server was about, for callers that react
// to some kinds (a lock held by another user, a connection that is gone).
enum class FailureKind {
    Other,
    LockConflict,    // a row locked or changed by another user's transaction
    ConnectionLost,  // the server or the network went away
    Constraint,      // a key, foreign key, check or column rule refused the change
    NoPermission,    // the user lacks a right the statement needs
};

// The kind of a server error code (a GDS code); Other for 0 and for codes
// of no kind above.
FailureKind FailureKindOf(int32_t serverCode);

// Failures of the data layer: connection, statements, result sets. A failure
// the server reported keeps the server's own code beside its text.
class EDatabaseError : public Exception {
public:
    explicit EDatabaseError(std::string message, int32_t serverCode = 0)
        : Exception("EDatabaseError", std::move(message)), serverCode_(serverCode) {}

    int32_t ServerCode() const noexcept { return serverCode_; }
    FailureKind Kind() const noexcept { return FailureKindOf(serverCode_); }

protected:
    EDatabaseError(std::string className, std::string message) : Exception(std::move(className), std::move(message)) {}

private:
    int32_t serverCode_ = 0;
};

// A status of the in-memory table engine, with the engine's own text.
class EDBClient : public EDatabaseError {
public:
    explicit EDBClient(std::string message) : EDatabaseError("EDBClient", std::move(message)) {}
};

// A file could not be created (or not written whole).
class EFCreateError : public Exception {
public:
    explicit EFCreateError(std::string message) : Exception("EFCreateError", std::move(message)) {}
};

// A text that should be a number is not: "'%s' is not a valid integer value".
class EConvertError : public Exception {
public:
    explicit EConvertError(std::string message) : Exception("EConvertError", std::move(message)) {}
};

// An index outside a list: "List index out of bounds (%d)".
class EListError : public Exception {
public:
    explicit EListError(std::string message) : Exception("EListError", std::move(message)) {}
};

// The silent abort: ends a handler without any report.
class EAbort : public Exception {
public:
    EAbort() : Exception("EAbort", "Operation aborted") {}
};

// Raises EConvertError unless text (surrounding blanks allowed) is a decimal
// integer that fits in int; the message quotes the text as given.
int StrToInt(const std::string &text);
// As StrToInt, but gives fallback instead of raising.
int StrToIntDef(const std::string &text, int fallback);
