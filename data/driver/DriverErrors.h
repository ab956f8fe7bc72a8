#pragma once
// How the driver reports failures. Every call into the client library goes
// through a status wrapper that throws on failure; each public operation runs
// its body through ErrorState::Run, which turns what was thrown into a status
// and keeps the text for getErrorMessage. A failure of the server or the
// client library gives SQLStatus::ServerError with the client's own formatted text.
#include <firebird/Interface.h>

#include <new>
#include <stdexcept>
#include <string>

#include "data/sql/SqlDriver.h"

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
    SQLStatus Run(Body &&body) noexcept {
        try {
            return body();
        } catch (const Firebird::FbException &e) {
            return SetFromClient(e.getStatus());
        } catch (const DriverFailure &f) {
            return Set(f.status, f.text);
        } catch (const std::bad_alloc &) {
            return Set(SQLStatus::InsufficientMemory, "Insufficient memory for operation");
        } catch (const std::exception &e) {
            return Set(SQLStatus::ServerError, e.what());
        }
    }

    SQLStatus Set(SQLStatus status, std::string text);
    // Adds a line of the driver's own under the failure's text (its code stays).
    void AddLine(const std::string &line) {
        if (!line.empty()) text_ += "\n" + line;
    }
    SQLStatus SetFromClient(Firebird::IStatus *status);

    SQLStatus length(uint16_t *len) const;
    SQLStatus message(std::string *text) const;
    const std::string &text() const { return text_; }
    int32_t serverCode() const { return serverCode_; }

private:
    Firebird::IUtil *util_ = nullptr;
    std::string text_;
    int32_t serverCode_ = 0;  // the server's code of the failure, if it was the server's
};

// The error-text half of every driver interface.
template <class Interface>
class WithErrors : public Interface {
public:
    SQLStatus getErrorMessageLen(uint16_t *len) override { return errors_.length(len); }
    SQLStatus getErrorMessage(std::string *message) override { return errors_.message(message); }
    int32_t getServerErrorCode() override { return errors_.serverCode(); }

protected:
    ErrorState errors_;
};
