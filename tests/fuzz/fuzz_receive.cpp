// libFuzzer target: arbitrary bytes as one read from the peer, through the
// whole receive path (tests/fuzz/receive_path.h). Built and run by
// scripts/fuzz; its seeds are tests/fuzz/corpus, which tst_fuzzcorpus
// replays in the ordinary test run.
#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/receive_path.h"

namespace {
// The receiver reports junk on standard error; thousands of runs a second
// would drown the fuzzer's own output.
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray read(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString fault = ReceivePath::check(read);
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "receive path: %s\n", qPrintable(fault));
        std::abort();
    }
    return 0;
}
