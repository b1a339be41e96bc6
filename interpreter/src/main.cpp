// The companion interpreter of Zarvik: reads a program, writes its analysis.
// Usage: zarvik-pl [--system S] [entrada.txt [salida.log]]
//        zarvik-pl --verdict [--system S] FILE   (one verdict line per problem)
// Exit status: 0 when every line was understood, 1 when some line has an error,
// 2 when the program cannot be read or the output cannot be written.

#include "Cp1252.h"
#include "Program.h"
#include "Verdicts.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>

namespace {

bool writeAtomically(const std::filesystem::path &path, const std::string &bytes)
{
    // The results window must never read half a log, nor lose the old one to a failed write.
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec)
        std::filesystem::remove(temp, ec);
    return !ec;
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--verdict")
            return zpl::verdictMain(argc, argv);
    zpl::ModalSystem system = zpl::ModalSystem::K;
    if (argc > 2 && std::string(argv[1]) == "--system") {
        if (!zpl::parseSystemName(argv[2], system)) {
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
        writeAtomically(output, zpl::toCp1252("No se puede leer el programa: " + input.string() + "\r\n"));
        std::cerr << "zarvik-pl: cannot read " << input << "\n";
        return 2;
    }
    const std::string program((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    const zpl::Report report = zpl::runProgram(program, system);
    if (!writeAtomically(output, report.text)) {
        std::cerr << "zarvik-pl: cannot write " << output << "\n";
        return 2;
    }
    return report.errors > 0 ? 1 : 0;
}
