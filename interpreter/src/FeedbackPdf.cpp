#include "FeedbackPdf.h"

#include "syntax/Text.h"

#include <cstdio>
#include <fstream>
#include <set>

namespace interpreter {

using logic::grade::Mark;
using logic::grade::Marked;

namespace {

constexpr int kPageWidth = 595, kPageHeight = 842, kMargin = 56, kLeading = 14;
constexpr std::size_t kLineChars = 90;

struct Line
{
    std::string text; // UTF-8
    bool bold = false;
    bool marked = false;
};

// PDF's standard fonts speak Windows-1252; the logic symbols take their readable spellings.
std::string pdfString(const std::string &utf8)
{
    std::string out = "(";
    for (char c : logic::toReadableCp1252(utf8)) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + ")";
}

std::vector<std::string> wrap(const std::string &utf8)
{
    const std::u32string text = logic::decode(utf8, logic::Encoding::Utf8);
    std::vector<std::string> out;
    for (std::size_t at = 0; at < text.size() || out.empty(); at += kLineChars)
        out.push_back(logic::toUtf8(std::u32string_view(text).substr(at, kLineChars)));
    return out;
}

} // namespace

std::string feedbackPdf(const std::string &student, const std::string &fileName,
    const std::vector<FeedbackExercise> &exercises, const Marked &marked,
    const std::vector<std::u32string> &lines)
{
    std::vector<Line> body;
    body.push_back({"Corrección de " + student, true, false});
    body.push_back({"Archivo: " + fileName, false, false});
    body.push_back({"", false, false});
    long worth = 0;
    std::set<int> faulty;
    for (std::size_t k = 0; k < exercises.size() && k < marked.marks.size(); ++k) {
        const Mark &m = marked.marks[k];
        worth += exercises[k].points;
        body.push_back({exercises[k].label + ": " + logic::grade::pointsText(m.points) + " de "
                + logic::grade::pointsText(exercises[k].points),
            true, false});
        for (const std::string &w : wrap(m.right ? std::string("correcto") : m.comment))
            body.push_back({"    " + w, false, !m.right});
        if (m.line > 0)
            faulty.insert(m.line);
    }
    body.push_back({"Total: " + logic::grade::pointsText(marked.total) + " de "
            + logic::grade::pointsText(worth),
        true, false});
    body.push_back({"", false, false});
    body.push_back({"Texto entregado (las líneas con falta, marcadas con >>):", true, false});
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool bad = faulty.count(static_cast<int>(i) + 1) > 0;
        char number[32];
        std::snprintf(number, sizeof number, "%4zu ", i + 1);
        bool first = true;
        for (const std::string &w : wrap(logic::toUtf8(lines[i]))) {
            body.push_back(
                {(bad ? ">> " : "   ") + std::string(first ? number : "     ") + w, false, bad});
            first = false;
        }
    }

    const int perPage = (kPageHeight - 2 * kMargin) / kLeading;
    std::vector<std::string> objects; // 1: catalog, 2: pages, 3, 4: fonts, then page, content
    std::vector<std::string> contents;
    for (std::size_t at = 0; at < body.size(); at += static_cast<std::size_t>(perPage)) {
        std::string c = "BT\n";
        int y = kPageHeight - kMargin;
        for (std::size_t k = at; k < body.size() && k < at + static_cast<std::size_t>(perPage);
             ++k) {
            const Line &l = body[k];
            c += std::string(l.marked ? "0.75 0 0 rg" : "0 0 0 rg") + " /" + (l.bold ? "F2" : "F1")
                + " 10 Tf 1 0 0 1 " + std::to_string(kMargin) + " " + std::to_string(y) + " Tm "
                + pdfString(l.text) + " Tj\n";
            y -= kLeading;
        }
        contents.push_back(c + "ET\n");
    }
    std::string kids;
    for (std::size_t p = 0; p < contents.size(); ++p)
        kids += std::to_string(5 + 2 * p) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back(
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(contents.size()) + " >>");
    objects.push_back(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>");
    objects.push_back(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Courier-Bold /Encoding /WinAnsiEncoding >>");
    for (std::size_t p = 0; p < contents.size(); ++p) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 "
            + std::to_string(kPageWidth) + " " + std::to_string(kPageHeight)
            + "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents "
            + std::to_string(6 + 2 * p) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(contents[p].size()) + " >>\nstream\n"
            + contents[p] + "endstream");
    }
    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t k = 0; k < objects.size(); ++k) {
        offsets.push_back(out.size());
        out += std::to_string(k + 1) + " 0 obj\n" + objects[k] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t o : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", o);
        out += entry;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1)
        + " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

bool writeFeedbackPdf(const std::filesystem::path &file, const std::string &student,
    const std::string &fileName, const std::vector<FeedbackExercise> &exercises,
    const Marked &marked, const std::vector<std::u32string> &lines)
{
    const std::string bytes = feedbackPdf(student, fileName, exercises, marked, lines);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

} // namespace interpreter
