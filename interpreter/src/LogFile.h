// How zarvik-pl writes salida.log: whole or not at all, and with nothing left behind.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>

namespace interpreter {

/// Makes SIGTERM, SIGINT and SIGHUP remove the temporary that writeLog() is writing before the
/// process ends by that signal, as it would have without the handler. A signal that the run
/// was started with ignored stays ignored.
void removeTemporaryOnSignals();

/**
 * Removes what killed runs left beside @p log: files named as its temporaries (the name, a dot
 * and six letters or digits), regular, owned by this user, last written before @p since and
 * held by no running writer.
 */
void sweepStaleTemporaries(const std::filesystem::path &log, const timespec &since);

/**
 * Writes @p bytes to @p log through a new temporary file beside it, renamed over it at the end,
 * so that the log is never read half written and a link planted at its name is replaced, not
 * followed. On failure the temporary is gone, the old log is as it was, and errno says why.
 */
bool writeLog(const std::filesystem::path &log, const std::string &bytes);

} // namespace interpreter
