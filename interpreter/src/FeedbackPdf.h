#pragma once
// A student's marks as a PDF of its own, written without any library: each exercise's points
// and comment, then the student's text with the faulty lines marked.

#include "grade/Grade.h"

#include <filesystem>
#include <string>
#include <vector>

namespace interpreter {

struct FeedbackExercise
{
    std::string label;
    long points = 0; ///< what it is worth, in thousandths
};

/// Writes the PDF to @p file; false when it cannot be written.
bool writeFeedbackPdf(const std::filesystem::path &file, const std::string &student,
    const std::string &fileName, const std::vector<FeedbackExercise> &exercises,
    const logic::grade::Marked &marked, const std::vector<std::u32string> &lines);

/// The PDF's bytes, for the file and for the tests.
std::string feedbackPdf(const std::string &student, const std::string &fileName,
    const std::vector<FeedbackExercise> &exercises, const logic::grade::Marked &marked,
    const std::vector<std::u32string> &lines);

} // namespace interpreter
