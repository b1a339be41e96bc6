// The companion interpreter of Zarvik: reads a program, writes its analysis.
// Usage: zarvik-pl [--system S] [entrada.txt [salida.log]]
//        zarvik-pl --verdict [--system S] FILE   (one verdict line per problem)
//        zarvik-pl --derivation [--system S] FILE   (one line per derivation: correcta/incorrecta)
//        zarvik-pl --prove [--system S] FILE   (each argument with a derivation under it)
// Exit status: 0 when every line was understood, 1 when some line has an error,
// 2 when the program cannot be read or the output cannot be written.

#include "Cp1252.h"
#include "Derivations.h"
#include "Program.h"
#include "Verdicts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>

namespace {

bool writeAtomically(const std::filesystem::path &path, const std::string &bytes)
{
    // The results window must never read half a log, nor lose the old one to a failed write. The
    // temporary file gets a new name in the same folder each time, created exclusively, so two
    // runs never share it and a link planted there is never followed; the rename then replaces
    // whatever holds the final name, a symbolic link included, without following it.
    std::string temp = path.string() + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    // mkstemp makes the file private; the log gets what any newly created file would.
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(fd, 0666 & ~mask) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = close(fd) == 0 && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    unlink(temp.c_str());
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--verdict")
            return zpl::verdictMain(argc, argv);
        if (arg == "--derivation")
            return zpl::derivationMain(argc, argv);
        if (arg == "--prove")
            return zpl::proveMain(argc, argv);
    }
    logic::ModalSystem system = logic::ModalSystem::K;
    if (argc > 2 && std::string(argv[1]) == "--system") {
        if (!logic::parseSystemName(argv[2], system)) {
            std::cerr << "zarvik-pl: sistema desconocido " << argv[2]
                      << " (K, T, D, B, K4, S4, S5)\n";
            return 2;
        }
        argv += 2;
        argc -= 2;
    }
    if (argc > 3) {
        std::cerr << "uso: zarvik-pl [--system S] [entrada.txt [salida.log]]\n";
        return 2;
    }
    const std::filesystem::path input = argc > 1 ? argv[1] : "entrada.txt";
    const std::filesystem::path output = argc > 2 ? argv[2] : "salida.log";

    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(input, ec))
        in.open(input, std::ios::binary);
    if (!in.is_open()) {
        writeAtomically(
            output, logic::toCp1252("No se puede leer el programa: " + input.string() + "\r\n"));
        std::cerr << "zarvik-pl: cannot read " << input << "\n";
        return 2;
    }
    const std::string program(
        (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    const zpl::Report report = zpl::runProgram(program, system);
    if (!writeAtomically(output, report.text)) {
        std::cerr << "zarvik-pl: cannot write " << output << "\n";
        return 2;
    }
    return report.errors > 0 ? 1 : 0;
}
