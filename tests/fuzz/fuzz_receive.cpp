// libFuzzer target, built and run by scripts/fuzz: arbitrary bytes as one
// read from the peer, through the receive path of tests/fuzz/receive_path.h.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/receive_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString fault = ReceivePath::check(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (fault.isEmpty())
        return 0;
    std::fprintf(stderr, "receive path: %s\n", qPrintable(fault));
    std::abort();
}
