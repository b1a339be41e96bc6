// zarvik-pl --verdict [--system S] FILE: one line per problem, for tests and benchmarks.

#include "Verdicts.h"

#include "syntax/Cp1252.h"
#include "syntax/Text.h"
#include "worksheet/Api.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace interpreter {

using namespace logic;

int verdictMain(int argc, char **argv)
{
    ModalSystem system = ModalSystem::K;
    const char *file = nullptr;
    bool times = false; // a last column with the milliseconds, for the benchmark
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--verdict")
            continue;
        if (arg == "--times") {
            times = true;
            continue;
        }
        if (arg == "--system" && i + 1 < argc && parseSystemName(argv[i + 1], system)) {
            ++i;
            continue;
        }
        if (file || arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "uso: zarvik-pl --verdict [--system K|T|D|B|K4|S4|S5] ARCHIVO\n");
            return 2;
        }
        file = argv[i];
    }
    std::ifstream in(file ? file : "", std::ios::binary);
    if (!file || !in) {
        std::fprintf(stderr, "zarvik-pl: no se puede leer %s\n", file ? file : "(ningún archivo)");
        return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string utf8 = detectEncoding(bytes) == Encoding::Utf8 ? bytes : fromCp1252(bytes);
    const std::atomic<bool> never{false};
    int status = 0;
    CheckOptions options;
    options.system = system;
    options.truthTables = false;
    // A verdict waits for no tree: the answer goes the moment a search decides.
    options.explain = Explain::VerdictOnly;
    checkText(utf8, options, never, [&](ProblemResult &&r) {
        if (r.prose)
            return; // a worksheet's text, not a problem
        std::string out = decisionWords(r.decision);
        if (r.syntaxError) {
            status = 1;
            out += "\terror en la línea " + std::to_string(r.errorLine) + ", columna "
                + std::to_string(r.errorColumn) + ": " + r.errorMessage;
        } else if (!r.reason.empty()) {
            out += "\t" + r.reason;
        }
        if (times)
            out += "\t" + std::to_string(r.milliseconds);
        std::printf("%s\n", out.c_str());
        std::fflush(stdout);
    });
    return status;
}

} // namespace interpreter
