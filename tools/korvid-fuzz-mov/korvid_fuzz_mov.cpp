// libFuzzer target for the MP4 atom reader: every input goes through the
// duration job, the sensor job, the build step and the fit.

#include "kv_fuzz_mov_entry.h"

#include <QtGlobal>

#include <cstdlib>

namespace
{

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The reader logs every odd atom; thousands of lines a second slow the run.
    if (!qEnvironmentVariableIsSet("KV_FUZZ_VERBOSE"))
        qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (kvFuzzMovInput(data, size) != 0)
        abort();
    return 0;
}
