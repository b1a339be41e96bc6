#pragma once
// The worker's messages, as PROTOCOL.md describes them.

#include "worksheet/Api.h"
#include "worksheet/Assist.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace logic {

inline constexpr int kProtocolVersion = 1;
/// Answers of one check that carry their explanation, table, tree and model; later ones carry
/// their verdict and reason alone.
inline constexpr int kMaxDetailedAnswers = 1000;

/// A line longer than this, in bytes, is not read: its problem is a syntax error that says so,
/// so that a pasted megabyte costs the engine nothing and its answer stays small.
inline constexpr std::size_t kMaxLineBytes = 100'000;

/// A line of a request's text that was too long to read.
struct OverlongLine
{
    int line = 0;               ///< 1-based
    std::size_t characters = 0; ///< code points
};

/// Puts "(" in place of every line of @p text longer than kMaxLineBytes: a line that the engine
/// cannot read, as it could not read this one, so that the lines around it group as they would
/// around any unreadable line. Returns the lines replaced, in order.
std::vector<OverlongLine> setAsideOverlongLines(std::string &text);
/// When @p r is the syntax error of one of @p lines, says that the line is too long instead.
void explainOverlong(ProblemResult &r, const std::vector<OverlongLine> &lines);

/// A request's first line: "check ID SYSTEM TABLES FROM LENGTH", "prove ID SYSTEM LINE LENGTH",
/// "next ID SYSTEM LINE LENGTH" (each with "basicas" or "todas" after it, or nothing), "cancel
/// ID" or "quit".
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
