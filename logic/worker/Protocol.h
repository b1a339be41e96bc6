#pragma once
// The worker's messages, as PROTOCOL.md describes them.

#include "worksheet/Api.h"
#include "worksheet/Assist.h"

#include <optional>
#include <string>
#include <string_view>

namespace logic {

inline constexpr int kProtocolVersion = 1;
/// Answers of one check that carry their explanation, table, tree and model; later ones carry
/// their verdict and reason alone.
inline constexpr int kMaxDetailedAnswers = 1000;

/// A request's first line: "check ID SYSTEM TABLES FROM LENGTH", "prove ID SYSTEM LINE LENGTH",
/// "next ID SYSTEM LINE LENGTH", "cancel ID" or "quit".
struct Request
{
    enum class Kind { Check, Prove, Next, Cancel, Quit } kind = Kind::Quit;
    int id = 0;
    CheckOptions options;
    int line = 0;           ///< prove and next: the line asked about, 1-based
    std::size_t length = 0; ///< bytes of text that follow a check's, prove's or next's line
};

/// The request that @p line (without its '\n') asks, or nothing when it is not one.
std::optional<Request> parseRequest(std::string_view line);

/// One line of JSON, '\n' included, for each message.
std::string readyMessage();
std::string startMessage(int id, int line);
std::string answerMessage(int id, const ProblemResult &r);
std::string doneMessage(int id);
/// "prove": the derivation found, or why none (the argument's own answer goes before).
std::string proofMessage(int id, const ProofAnswer &proof);
/// "next": the proposed line, or why none.
std::string nextMessage(int id, const NextAnswer &next);

} // namespace logic
