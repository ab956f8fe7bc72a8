#pragma once
// Failure classes. Every failure the program reports is one of these: a class
// name (shown by the start-up failure report) and a message (shown by every
// report). Messages are UTF-8.
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

// Failures of the data layer: connection, statements, result sets.
class EDatabaseError : public Exception {
public:
    explicit EDatabaseError(std::string message)
        : Exception("EDatabaseError", std::move(message)) {}

protected:
    EDatabaseError(std::string className, std::string message)
        : Exception(std::move(className), std::move(message)) {}
};

// A status of the in-memory table engine, with the engine's own text.
class EDBClient : public EDatabaseError {
public:
    explicit EDBClient(std::string message)
        : EDatabaseError("EDBClient", std::move(message)) {}
};

// A file could not be created (or not written whole).
class EFCreateError : public Exception {
public:
    explicit EFCreateError(std::string message)
        : Exception("EFCreateError", std::move(message)) {}
};

// A text that should be a number is not: "'%s' is not a valid integer value".
class EConvertError : public Exception {
public:
    explicit EConvertError(std::string message)
        : Exception("EConvertError", std::move(message)) {}
};

// An index outside a list: "List index out of bounds (%d)".
class EListError : public Exception {
public:
    explicit EListError(std::string message)
        : Exception("EListError", std::move(message)) {}
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
