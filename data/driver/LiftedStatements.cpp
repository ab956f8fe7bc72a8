#include "LiftedStatements.h"

#include <algorithm>
#include <cctype>

using namespace Firebird;

namespace {
// Character set numbers of the server.
constexpr unsigned kCharSetNone = 0;
constexpr unsigned kCharSetAscii = 2;
constexpr unsigned kCharSetUtf8 = 4;

bool IsAscii(const std::string &text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
} // namespace

bool LiftedStatement::Takes(const std::vector<std::string> &values) const
{
    if (!handle || values.size() != parameters.size())
        return false;
    for (size_t i = 0; i < values.size(); ++i)
        if (!IsAscii(values[i]) || values[i].size() > parameters[i].maxChars)
            return false;
    return true;
}

LiftedStatements::LiftedStatements(ConnectionState &state) : state_(state)
{
    state_.Register(this);
}

LiftedStatements::~LiftedStatements() { state_.Unregister(this); }

void LiftedStatements::ReleaseBeforeDetach() { entries_.clear(); }

const LiftedStatement &LiftedStatements::Get(const std::string &liftedText, size_t valueCount)
{
    const auto now = std::chrono::steady_clock::now();
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [&](const Entry &e) { return e.text == liftedText; });
    if (found != entries_.end() && now - found->prepared > kMaxAge) {
        entries_.erase(found);
        found = entries_.end();
    }
    if (found == entries_.end()) {
        LiftedStatement prepared = Prepare(liftedText, valueCount);
        if (entries_.size() >= kCapacity)
            entries_.pop_back();
        entries_.insert(entries_.begin(), Entry{liftedText, std::move(prepared), now});
    } else if (found != entries_.begin()) {
        std::rotate(entries_.begin(), found, found + 1);
    }
    return entries_.front().statement;
}

LiftedStatement LiftedStatements::Prepare(const std::string &liftedText, size_t valueCount)
{
    LiftedStatement result;
    FbStatus status(state_.client->master->getStatus());
    IMessageMetadata *input = nullptr;
    try {
        StatementTransaction transaction(state_, status);
        IStatement *statement = state_.attachment->prepare(
            &status, transaction.get(), static_cast<unsigned>(liftedText.size()),
            liftedText.data(), static_cast<unsigned>(state_.options.sqlDialect),
            IStatement::PREPARE_PREFETCH_METADATA);
        auto handle = std::make_shared<StatementHandle>(state_.shared_from_this(), statement);
        transaction.Commit();
        if (statement->getFlags(&status) & IStatement::FLAG_HAS_CURSOR) {
            status.dispose();
            return result;
        }
        input = statement->getInputMetadata(&status);
        if (input->getCount(&status) != valueCount) {
            input->release();
            status.dispose();
            return result;
        }
        for (unsigned i = 0; i < valueCount; ++i) {
            const unsigned type = input->getType(&status, i) & ~1u;
            const unsigned charSet = input->getCharSet(&status, i);
            const unsigned length = input->getLength(&status, i);
            if (type != SQL_TEXT && type != SQL_VARYING) {
                result.parameters.clear();
                break;
            }
            if (charSet != kCharSetNone && charSet != kCharSetAscii && charSet != kCharSetUtf8) {
                result.parameters.clear();
                break;
            }
            // A UTF8 parameter is described in bytes, four to a character.
            result.parameters.push_back({charSet, charSet == kCharSetUtf8 ? length / 4 : length});
        }
        input->release();
        input = nullptr;
        if (result.parameters.size() == valueCount)
            result.handle = std::move(handle);
    } catch (const FbException &) {
        // Not a text the server takes with parameters (or the connection is
        // in trouble): the text as it stands will say what is wrong.
        if (input)
            input->release();
        result = LiftedStatement{};
    }
    status.dispose();
    return result;
}

LiftedStatements &LiftedStatementsOf(const std::shared_ptr<ConnectionState> &state)
{
    if (!state->liftedStatements)
        state->liftedStatements = std::make_shared<LiftedStatements>(*state);
    return *state->liftedStatements;
}

bool ConnectionLiftsLiterals(const ConnectionState &state)
{
    std::string name = state.options.CharSet();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name == "UTF8";
}
