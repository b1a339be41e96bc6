// The companion interpreter of Zarvik: reads a program, writes its analysis.
// Usage (also zarvik-pl --help): zarvik-pl [--system S] [entrada.txt [salida.log]]
//        zarvik-pl --verdict [--system S] FILE   (one verdict line per problem)
//        zarvik-pl --derivation [--system S] FILE   (one line per derivation: correcta/incorrecta)
//        zarvik-pl --prove [--system S] FILE   (each argument with a derivation under it)
//        zarvik-pl --work [--system S] FILE   (one line per piece of the student's work)
//        zarvik-pl --student-copy SHEET OUT   (the sheet without its solutions)
//        zarvik-pl --grade SHEET FOLDER [--feedback FOLDER2] [--comments]   (a class's marks)
//        zarvik-pl --check-sheet SHEET   (whether each solution of the sheet is right)
// Exit status: 0 when every line was understood, 1 when some line has an error,
// 2 when the program cannot be read or the output cannot be written.

#include "DerivationCommands.h"
#include "GradeCommands.h"
#include "LogFile.h"
#include "Program.h"
#include "Verdicts.h"
#include "syntax/Cp1252.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>

namespace {

const char kUsage[] = "uso: zarvik-pl [--system S] [entrada.txt [salida.log]]\n"
                      "     zarvik-pl --verdict [--times] [--system S] ARCHIVO\n"
                      "     zarvik-pl --derivation [--system S] ARCHIVO\n"
                      "     zarvik-pl --prove [--system S] ARCHIVO\n"
                      "     zarvik-pl --work [--system S] ARCHIVO\n"
                      "     zarvik-pl --student-copy HOJA SALIDA\n"
                      "     zarvik-pl --grade HOJA CARPETA [--feedback CARPETA2] [--comments]\n"
                      "     zarvik-pl --check-sheet HOJA\n"
                      "     zarvik-pl --help  (o -h)\n"
                      "S: K, T, D, B, K4, S4 o S5 (K si no se da).\n"
                      "Sin opciones lee el programa de entrada.txt y escribe su análisis en "
                      "salida.log.\n";

// An option nobody knows must never be taken for a file: the default mode writes its log over
// its second argument, which may be the user's document.
bool knownOption(const std::string &arg)
{
    return arg == "--verdict" || arg == "--derivation" || arg == "--prove" || arg == "--work"
        || arg == "--system" || arg == "--times" || arg == "--student-copy" || arg == "--grade"
        || arg == "--feedback" || arg == "--comments" || arg == "--check-sheet";
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--system" || arg == "--feedback") {
            ++i; // its value may be anything; the modes say what is wrong with it
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-' && !knownOption(arg)) {
            std::cerr << "zarvik-pl: opción desconocida: " << arg
                      << "\nPruebe «zarvik-pl --help» para ver las opciones.\n";
            return 2;
        }
    }
    timespec started = {};
    clock_gettime(CLOCK_REALTIME, &started);
    // The system's reasons for a failure in the user's language; the output stays as it is.
    std::setlocale(LC_MESSAGES, "");
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--verdict")
            return interpreter::verdictMain(argc, argv);
        if (arg == "--derivation")
            return interpreter::derivationMain(argc, argv);
        if (arg == "--prove")
            return interpreter::proveMain(argc, argv);
        if (arg == "--work")
            return interpreter::workMain(argc, argv);
        if (arg == "--student-copy")
            return interpreter::studentCopyMain(argc, argv);
        if (arg == "--grade")
            return interpreter::gradeMain(argc, argv);
        if (arg == "--check-sheet")
            return interpreter::checkSheetMain(argc, argv);
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

    // "Detener programa" and a closed terminal end the run; its temporary goes with it. What an
    // earlier run killed outright left behind goes now.
    interpreter::removeTemporaryOnSignals();
    interpreter::sweepStaleTemporaries(output, started);

    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(input, ec))
        in.open(input, std::ios::binary);
    if (!in.is_open()) {
        interpreter::writeLog(
            output, logic::toCp1252("No se puede leer el programa: " + input.string() + "\r\n"));
        std::cerr << "zarvik-pl: no se puede leer el programa " << input.string() << "\n";
        return 2;
    }
    const std::string program(
        (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    const interpreter::Report report = interpreter::runProgram(program, system);
    if (!interpreter::writeLog(output, report.text)) {
        std::cerr << "zarvik-pl: no se puede escribir " << output.string() << ": "
                  << std::strerror(errno) << "\n";
        return 2;
    }
    return report.errors > 0 ? 1 : 0;
}
