// libFuzzer entry point for the RTF reader: any input must load without a crash, a hang or
// memory out of proportion to its size.
#include "platform/rtf/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTextDocument document;
    zv::rtf::readRtf(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), document);
    return 0;
}
