#pragma once
// How the driver reports failures. Every call into the client library goes
// through a status wrapper that throws on failure; each public operation runs
// its body through ErrorState::Run, which turns what was thrown into a status
// and keeps the text for getErrorMessage. A failure of the server or the
// client library gives kSqlServerError with the client's own formatted text.
#include <firebird/Interface.h>

#include <new>
#include <stdexcept>
#include <string>

#include "SqlDriver.h"

// A failure found by the driver itself.
struct DriverFailure {
    SQLStatus status;
    std::string text;
};

[[noreturn]] void Fail(SQLStatus status, std::string text);

// The status wrapper used for every client call: throws FbException.
using FbStatus = Firebird::ThrowStatusWrapper;

class ErrorState {
public:
    // The client is needed to format a server status; before a vendor library
    // is loaded there is none and only the driver's own failures occur.
    void setUtil(Firebird::IUtil *util) { util_ = util; }

    template <class Body>
    SQLStatus Run(Body &&body) noexcept
    {
        try {
            return body();
        } catch (const Firebird::FbException &e) {
            return SetFromClient(e.getStatus());
        } catch (const DriverFailure &f) {
            return Set(f.status, f.text);
        } catch (const std::bad_alloc &) {
            return Set(1, "Insufficient memory for operation");
        } catch (const std::exception &e) {
            return Set(kSqlServerError, e.what());
        }
    }

    SQLStatus Set(SQLStatus status, std::string text);
    SQLStatus SetFromClient(Firebird::IStatus *status);

    SQLStatus length(uint16_t *len) const;
    SQLStatus message(std::string *text) const;
    const std::string &text() const { return text_; }

private:
    Firebird::IUtil *util_ = nullptr;
    std::string text_;
};

// The error-text half of every driver interface.
template <class Interface>
class WithErrors : public Interface {
public:
    SQLStatus getErrorMessageLen(uint16_t *len) override { return errors_.length(len); }
    SQLStatus getErrorMessage(std::string *message) override { return errors_.message(message); }

protected:
    ErrorState errors_;
};
