// From "設定" in the host settings dialog to "CONNECT待機中" drawn in the
// host window, with the router asked for a mapping (as the program does) and
// without: asking must not delay the window (target: medians within 20 ms).
// Also times the host window's unload, which removes the mapping. Runs
// alternate between the two, each after the last one's router conversation
// is over.
//   build/bin/bench_hostwindow [runs]
// The router is asked only in the router lab's home network (as root), never
// on this machine's own network; there with a router that answers, with none,
// and with the lab's lying router (here forty answers of other devices first):
//   tests/lab/run.sh --home-with-router build/bin/bench_hostwindow
//   tests/lab/run.sh --home build/bin/bench_hostwindow
//   tests/lab/run.sh --home bash -c 'ip netns exec $KOBANTO_LAB_ROUTER tests/lab/hostile_router.py
//       --fakes 40 > $KOBANTO_LAB_DIR/log & sleep 1; build/bin/bench_hostwindow 5'
// A second argument keeps each asking window open that many seconds and
// counts the router's answers meanwhile (renewals; with the lying router's
// "--no-upnp --life 1", for instance). It ends with the program's peak
// resident memory.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "net/portmap.h"
#include "tests/common/testkit.h"
#include "windows/net/form5.h"
#include "windows/settings/form6.h"

namespace {
// Notes the host window's first frame.
class FramePainted : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<form5 *>(watched))
            painted = true;
        return false;
    }
};

bool pumpUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer guard;
    guard.start();
    while (!done()) {
        if (guard.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestKit::init();
    registerAllWindows();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    // Seconds each asking window stays open once the router has answered,
    // counting the router's answers meanwhile (renewals).
    const int holdSeconds = argc > 2 ? std::max(0, std::atoi(argv[2])) : 0;
    int renewals = 0;
    const bool inLab = !qEnvironmentVariableIsEmpty("KOBANTO_LAB_HOME");
    FramePainted frame;
    app.installEventFilter(&frame);

    std::vector<double> shown[2], leave[2];
    QString outcome = QStringLiteral("no mapping asked");
    // The first pair only warms up (fonts, pictures, the first socket).
    for (int i = -2; i < 2 * runs; ++i) {
        const bool asking = (i + 2) % 2 == 1;
        PortMap::setEnabled(asking && inLab);
        auto *dialog = qobject_cast<Form6 *>(Module1::show(FormId::Form6));
        dialog->Text3->setText(QStringLiteral("Host"));
        frame.painted = false;
        QElapsedTimer t;
        t.start();
        dialog->Command1->click();
        auto *host = Module1::form<form5>(FormId::form5);
        if (!host || host->Label2->text() != QStringLiteral("CONNECT待機中") ||
            !pumpUntil([&] { return frame.painted; }, 3000)) {
            std::fprintf(stderr, "the host window did not show\n");
            return 1;
        }
        if (i >= 0)
            shown[asking].push_back(t.nsecsElapsed() / 1e6);
        // The conversation with the router finishes before the window goes,
        // so that leaving removes a mapping when there is one.
        pumpUntil([&] { return !host->portMap()->busy(); }, 8000);
        if (asking)
            outcome = QStringLiteral("router: %1 after %2 ms")
                          .arg(host->portMap()->state() == PortMap::State::Mapped ? "mapped" : "no mapping")
                          .arg(host->portMap()->settledAfterMs());
        if (asking && holdSeconds > 0) {
            const QMetaObject::Connection counting =
                QObject::connect(host->portMap(), &PortMap::changed, [&] { ++renewals; });
            pumpUntil([] { return false; }, holdSeconds * 1000);
            QObject::disconnect(counting);
        }
        t.restart();
        Module1::unload(FormId::form5);
        if (i >= 0)
            leave[asking].push_back(t.nsecsElapsed() / 1e6);
        Module1::unload(FormId::Form9);
        TestKit::settle();
    }
    std::printf("settings to waiting host window, %d runs each (%s)\n", runs,
                inLab ? qPrintable(outcome) : "outside the router lab: the router is never asked");
    for (int asking : {0, 1})
        std::printf("  %-22s shown median %6.2f ms  max %6.2f ms   leave median %6.2f ms  max %6.2f ms\n",
                    asking ? "router asked:" : "router not asked:", median(shown[asking]),
                    *std::max_element(shown[asking].begin(), shown[asking].end()), median(leave[asking]),
                    *std::max_element(leave[asking].begin(), leave[asking].end()));
    if (holdSeconds > 0)
        std::printf("  router answers while each window stayed %d s: %d in all\n", holdSeconds, renewals);
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                std::printf("  peak resident memory %s\n", line.mid(6).trimmed().constData());
    const double apart = median(shown[1]) - median(shown[0]);
    std::printf("  difference of medians %.2f ms (target: no more than 20 ms)\n", apart);
    return apart <= 20 ? 0 : 1;
}
