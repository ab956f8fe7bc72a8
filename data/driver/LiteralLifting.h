#pragma once
// Deleting a batch of orders sends one DELETE per table and order, each with
// its order number written into the text as a string literal. Preparing such
// a text costs the server as much as running it, so the driver prepares the
// statement once with a parameter in place of each literal compared with "="
// and passes the literals as values. This part finds those literals; it is
// deliberately narrow and says "no" to anything it does not fully understand,
// in which case the text is prepared as it stands.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct LiftedText {
    std::string text;                // the statement, "?" in place of each lifted literal
    std::vector<std::string> values; // each literal's content, doubled quotes made single
};

// For a DELETE statement whose string literals all stand right after "=":
// the text with those literals lifted out. Nothing for any other statement,
// for a text without literals, with parameter markers of its own, with a
// literal anywhere else (after a character set introducer, in a comparison
// other than "=", ...), or that ends inside a literal, identifier or comment.
std::optional<LiftedText> LiftDeleteLiterals(std::string_view sql);
