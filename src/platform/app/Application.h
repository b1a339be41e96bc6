#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace zv {

/// The title rule: file name without folder, cut at the first dot, letters after the first lower case.
QString applicationTitle(const QString &executablePath);
/// The running executable's title; captions the default error report.
QString applicationTitle();

/// Appends a full stop when the message's last character sorts after ".".
QString withFullStop(const QString &message);

/// The default error report: an error box with one OK button, captioned with the title.
void reportError(const QString &message);

void reportError(std::exception_ptr error) noexcept;

/// Reports whatever @p f throws. Every entry from Qt into our code passes through here, so no
/// exception ever unwinds through a Qt frame.
template <class F>
void guarded(F &&f) noexcept
{
    try {
        std::forward<F>(f)();
    } catch (...) {
        reportError(std::current_exception());
    }
}

/// A slot for connect(): runs @p f guarded.
template <class F>
auto guard(F f)
{
    return [f = std::move(f)]() { guarded(f); };
}

/**
 * The executable folder, with its trailing "/". Derived afresh at every call.
 */
QString exeFolder();

/// Test seam: make exeFolder() answer @p folder (with or without a trailing "/"); empty resets.
void setExeFolderForTests(const QString &folder);

/// Loads Qt's Spanish translations for the platform's own dialogs and message boxes.
void installSpanishTranslations();

} // namespace zv
