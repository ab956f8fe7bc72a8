#pragma once
// The connection's prepared DELETE statements with their literals lifted
// into parameters (see LiteralLifting.h), by lifted text. A few are kept,
// the least recently used going first, and all are freed before the
// connection detaches. A lifted text the server cannot take with plain text
// values is remembered too, so it is not tried again.
//
// A statement is prepared anew once it is a moment old: the server binds a
// table's triggers when a statement on it is prepared, so a trigger another
// user adds (a rule that keeps certain orders, an audit log) must not be
// missed for longer than that by a long run of deletions.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ConnectionState.h"
#include "LiteralLifting.h"
#include "StatementHandle.h"

// What a value must be to take a lifted literal's place unchanged: text of
// the parameter's character set that fits the parameter, so the server
// converts it exactly as it would convert the literal.
struct LiftedParameter {
    unsigned charSet = 0;  // as the server describes the parameter
    unsigned maxChars = 0; // characters the parameter holds
};

struct LiftedStatement {
    std::shared_ptr<StatementHandle> handle; // null: prepare the text as it stands
    std::vector<LiftedParameter> parameters;

    // True when every value is plain ASCII text that fits its parameter:
    // such values mean the same in every character set a parameter may have
    // here, and none can be cut short.
    bool Takes(const std::vector<std::string> &values) const;
};

class LiftedStatements final : private AttachmentUser {
public:
    explicit LiftedStatements(ConnectionState &state);
    ~LiftedStatements();
    LiftedStatements(const LiftedStatements &) = delete;
    LiftedStatements &operator=(const LiftedStatements &) = delete;

    // The statement for a lifted text, prepared on first use. Failures of
    // preparing it are not reported: the text is then prepared as it stands,
    // which reports them in the words of the original text.
    const LiftedStatement &Get(const std::string &liftedText, size_t valueCount);

    // How many lifted texts the connection keeps prepared, and for how long.
    static constexpr size_t kCapacity = 8;
    static constexpr std::chrono::milliseconds kMaxAge{200};

private:
    void ReleaseBeforeDetach() override;
    LiftedStatement Prepare(const std::string &liftedText, size_t valueCount);

    struct Entry {
        std::string text;
        LiftedStatement statement;
        std::chrono::steady_clock::time_point prepared;
    };
    ConnectionState &state_;
    std::vector<Entry> entries_; // most recently used first
};

// The lifted statements of the connection, made on first use.
LiftedStatements &LiftedStatementsOf(const std::shared_ptr<ConnectionState> &state);

// Lifting is used only when the connection speaks UTF8, so a value's bytes
// mean to the server what they would mean inside the statement's text.
bool ConnectionLiftsLiterals(const ConnectionState &state);
