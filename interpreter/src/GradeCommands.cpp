// zarvik-pl --student-copy, --grade and --check-sheet: a class's sheet and its submissions.

#include "GradeCommands.h"

#include "FeedbackPdf.h"
#include "grade/Document.h"
#include "grade/Grade.h"
#include "syntax/Text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace interpreter {

using namespace logic::grade;
namespace fs = std::filesystem;

namespace {

// Beyond this a file is no submission: the reader would only spend the class's time on it.
constexpr std::uintmax_t kMaxFileBytes = 32u << 20;

bool readBytes(const fs::path &file, std::string &bytes, std::string &reason)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        reason = "no es un archivo";
        return false;
    }
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec) {
        reason = ec.message();
        return false;
    }
    if (size > kMaxFileBytes) {
        reason = "el archivo es demasiado grande (más de 32 MB)";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        reason = std::strerror(errno);
        return false;
    }
    bytes.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        reason = "no se pudo leer";
        return false;
    }
    return true;
}

bool readSheet(
    const char *file, std::string &bytes, DocumentText &doc, std::vector<ExerciseSpan> &exercises)
{
    std::string reason;
    if (!readBytes(file, bytes, reason)) {
        std::fprintf(stderr, "zarvik-pl: no se puede leer la hoja %s: %s\n", file, reason.c_str());
        return false;
    }
    doc = readDocument(bytes);
    if (!doc.ok) {
        std::fprintf(
            stderr, "zarvik-pl: la hoja %s no se puede leer: %s\n", file, doc.error.c_str());
        return false;
    }
    exercises = findExercises(doc.lines);
    if (exercises.empty()) {
        std::fprintf(
            stderr, "zarvik-pl: la hoja %s no tiene ningún ejercicio («Ejercicio 1»...)\n", file);
        return false;
    }
    return true;
}

std::string csvField(const std::string &s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string oneLine(std::string s)
{
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return s;
}

// What a child sends back about one file: "E\treason", or the student's name, then one line per
// exercise "points\tright\tline\tcomment", then "T\ttotal".
std::string serialize(const Marked &m)
{
    std::string out = "N\t" + oneLine(m.student) + "\n";
    for (const Mark &k : m.marks)
        out += std::to_string(k.points) + "\t" + (k.right ? "1" : "0") + "\t"
            + std::to_string(k.line) + "\t" + oneLine(k.comment) + "\n";
    return out;
}

struct FileResult
{
    bool read = false;
    std::string reason;
    Marked marked;
    std::vector<std::u32string> lines; // for the feedback
};

bool parse(const std::string &text, FileResult &r)
{
    std::size_t at = 0;
    auto nextLine = [&](std::string &line) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            return false;
        line = text.substr(at, end - at);
        at = end + 1;
        return true;
    };
    std::string line;
    if (!nextLine(line) || line.size() < 2)
        return false;
    if (line[0] == 'E') {
        r.reason = line.substr(2);
        return true;
    }
    r.read = true;
    r.marked.student = line.substr(2);
    while (nextLine(line)) {
        Mark m;
        const std::size_t a = line.find('\t'), b = line.find('\t', a + 1),
                          c = line.find('\t', b + 1);
        if (c == std::string::npos)
            return false;
        m.points = std::stol(line.substr(0, a));
        m.right = line[a + 1] == '1';
        m.line = std::stoi(line.substr(b + 1, c - b - 1));
        m.comment = line.substr(c + 1);
        r.marked.total += m.points;
        r.marked.marks.push_back(std::move(m));
    }
    return true;
}

std::string markFile(const Marker &marker, const fs::path &file, std::vector<std::u32string> *lines)
{
    std::string bytes, reason;
    if (!readBytes(file, bytes, reason))
        return "E\t" + oneLine(reason) + "\n";
    DocumentText doc = readDocument(bytes);
    if (!doc.ok)
        return "E\t" + oneLine(doc.error) + "\n";
    const std::atomic<bool> never{false};
    if (lines)
        *lines = doc.lines;
    return serialize(marker.mark(doc.lines, never));
}

// One file marked in a child: whatever it does to the engine, the class goes on.
FileResult markInChild(const Marker &marker, const fs::path &file, std::size_t exercises)
{
    FileResult r;
    int fds[2];
    if (pipe(fds) != 0) {
        r.reason = std::strerror(errno);
        return r;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        r.reason = std::strerror(errno);
        return r;
    }
    if (pid == 0) {
        close(fds[0]);
        // Every exercise may take its limit twice, with room for reading the file.
        const rlim_t seconds = static_cast<rlim_t>(60 + 30 * exercises);
        const rlimit cpu = {seconds, seconds + 5};
        setrlimit(RLIMIT_CPU, &cpu);
        const std::string out = markFile(marker, file, nullptr);
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0)
                _exit(3);
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !parse(text, r)
        || (r.read && r.marked.marks.size() != exercises)) {
        r = FileResult();
        r.reason = "la corrección no terminó (el archivo agota los límites del corrector)";
    }
    return r;
}

struct GradeOptions
{
    const char *sheet = nullptr;
    const char *folder = nullptr;
    const char *feedback = nullptr;
    bool comments = false;
};

const char kGradeUsage[]
    = "uso: zarvik-pl --grade HOJA CARPETA [--feedback CARPETA2] [--comments]\n";

bool sameFolder(const fs::path &a, const fs::path &b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

} // namespace

int studentCopyMain(int argc, char **argv)
{
    std::vector<const char *> files;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--student-copy") != 0)
            files.push_back(argv[i]);
    if (files.size() != 2) {
        std::fputs("uso: zarvik-pl --student-copy HOJA SALIDA\n", stderr);
        return 2;
    }
    std::string bytes;
    DocumentText doc;
    std::vector<ExerciseSpan> exercises;
    if (!readSheet(files[0], bytes, doc, exercises))
        return 2;
    std::error_code ec;
    if (fs::exists(files[1], ec) && fs::equivalent(files[0], files[1], ec)) {
        std::fputs("zarvik-pl: la copia no puede escribirse sobre la hoja\n", stderr);
        return 2;
    }
    const std::string copy = withoutLines(doc, bytes, solutionRanges(doc.lines, exercises));
    // Written beside its place and renamed over it: no half copy is ever left under its name.
    const fs::path target = files[1];
    fs::path temporary = target;
    temporary += ".zarvik-tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(copy.data(), static_cast<std::streamsize>(copy.size()));
        out.close();
        if (!out) {
            std::fprintf(
                stderr, "zarvik-pl: no se puede escribir %s: %s\n", files[1], std::strerror(errno));
            fs::remove(temporary, ec);
            return 2;
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        std::fprintf(
            stderr, "zarvik-pl: no se puede escribir %s: %s\n", files[1], ec.message().c_str());
        fs::remove(temporary, ec);
        return 2;
    }
    return 0;
}

int gradeMain(int argc, char **argv)
{
    GradeOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--grade")
            continue;
        if (arg == "--comments") {
            options.comments = true;
        } else if (arg == "--feedback" && i + 1 < argc) {
            options.feedback = argv[++i];
        } else if (arg.rfind("--", 0) == 0 || options.folder) {
            std::fputs(kGradeUsage, stderr);
            return 2;
        } else if (!options.sheet) {
            options.sheet = argv[i];
        } else {
            options.folder = argv[i];
        }
    }
    if (!options.folder) {
        std::fputs(kGradeUsage, stderr);
        return 2;
    }
    std::string bytes;
    DocumentText doc;
    std::vector<ExerciseSpan> exercises;
    if (!readSheet(options.sheet, bytes, doc, exercises))
        return 2;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(options.folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || it->is_directory(ec))
            continue; // hidden files and folders are nobody's submission
        files.push_back(it->path());
    }
    if (ec) {
        std::fprintf(stderr, "zarvik-pl: no se puede leer la carpeta %s: %s\n", options.folder,
            ec.message().c_str());
        return 2;
    }
    if (options.feedback && sameFolder(options.feedback, options.folder)) {
        std::fputs(
            "zarvik-pl: los informes no pueden escribirse en la carpeta de las entregas\n", stderr);
        return 2;
    }
    if (options.feedback) {
        fs::create_directories(options.feedback, ec);
        if (ec) {
            std::fprintf(stderr, "zarvik-pl: no se puede crear %s: %s\n", options.feedback,
                ec.message().c_str());
            return 2;
        }
    }
    std::sort(files.begin(), files.end(),
        [](const fs::path &a, const fs::path &b) { return a.filename() < b.filename(); });

    const Marker marker(doc.lines);
    std::string header = "alumno,archivo";
    for (const ExerciseSpan &e : exercises) {
        header += "," + csvField(e.label.label);
        if (options.comments)
            header += "," + csvField("comentario " + e.label.label);
    }
    std::printf("%s,total\n", header.c_str());
    std::fflush(stdout);
    int status = 0;
    std::set<std::string> reports;
    for (const fs::path &file : files) {
        const std::string name = file.filename().string();
        const std::string stem = file.stem().string();
        FileResult r = markInChild(marker, file, exercises.size());
        std::string row;
        if (!r.read) {
            status = 1;
            std::fprintf(stderr, "zarvik-pl: %s: %s\n", name.c_str(), r.reason.c_str());
            row = csvField(stem) + "," + csvField(name);
            for (std::size_t k = 0; k < exercises.size() * (options.comments ? 2 : 1); ++k)
                row += ",";
            std::printf("%s,\n", row.c_str());
            std::fflush(stdout);
            continue;
        }
        const std::string student = r.marked.student.empty() ? stem : r.marked.student;
        row = csvField(student) + "," + csvField(name);
        for (const Mark &m : r.marked.marks) {
            row += "," + pointsText(m.points);
            if (options.comments)
                row += "," + csvField(m.comment);
        }
        std::printf("%s,%s\n", row.c_str(), pointsText(r.marked.total).c_str());
        std::fflush(stdout);
        if (options.feedback) {
            std::string fileBytes, reason;
            std::vector<std::u32string> lines;
            if (readBytes(file, fileBytes, reason)) {
                const DocumentText text = readDocument(fileBytes);
                lines = text.lines;
            }
            std::vector<FeedbackExercise> labels;
            for (const ExerciseSpan &e : exercises)
                labels.push_back({e.label.label, e.label.points});
            // ana.zvk and ana.txt: the second report keeps its file's whole name.
            const std::string report = reports.insert(stem).second ? stem + ".pdf" : name + ".pdf";
            const fs::path pdf = fs::path(options.feedback) / report;
            if (!writeFeedbackPdf(pdf, student, name, labels, r.marked, lines)) {
                std::fprintf(stderr, "zarvik-pl: no se puede escribir %s\n", pdf.string().c_str());
                status = std::max(status, 1);
            }
        }
    }
    return status;
}

int checkSheetMain(int argc, char **argv)
{
    const char *file = nullptr;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--check-sheet") != 0) {
            if (file) {
                std::fputs("uso: zarvik-pl --check-sheet HOJA\n", stderr);
                return 2;
            }
            file = argv[i];
        }
    if (!file) {
        std::fputs("uso: zarvik-pl --check-sheet HOJA\n", stderr);
        return 2;
    }
    std::string bytes;
    DocumentText doc;
    std::vector<ExerciseSpan> exercises;
    if (!readSheet(file, bytes, doc, exercises))
        return 2;
    const Marker marker(doc.lines);
    const std::atomic<bool> never{false};
    const Marked checked = marker.checkSolutions(never);
    int status = 0;
    for (std::size_t k = 0; k < exercises.size(); ++k) {
        const Mark &m = checked.marks[k];
        status = m.right ? status : 1;
        std::printf("%s\t%s%s%s\n", exercises[k].label.label.c_str(),
            m.right ? "correcta" : "incorrecta", m.right ? "" : "\t", m.comment.c_str());
    }
    return status;
}

} // namespace interpreter
