#include "windowbase/startup.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QLibrary>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <unistd.h>

#include "windowbase/audio/audiodevice.h"
#include "windowbase/layout.h"

namespace Startup {
namespace {
class FirstPaintProbe : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            m_seen = true;
            // The frame is flushed to the display after the paint returns;
            // report from the next turn of the event loop.
            QTimer::singleShot(0, this, [this] {
                timespec ts{}, cpu{};
                clock_gettime(CLOCK_REALTIME, &ts);
                clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
                std::printf("first-paint %ld.%06ld cpu-ms %.1f\n", static_cast<long>(ts.tv_sec), ts.tv_nsec / 1000,
                            cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6);
                std::fflush(stdout);
                // "exit": stop here, so that a profiler sees start-up alone.
                if (qEnvironmentVariable("KOBANTO_STARTUP_PROBE") == QLatin1String("exit"))
                    ::_exit(0);
                qApp->removeEventFilter(this);
                deleteLater();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

bool pictureReadable(const QString &path)
{
    QImageReader reader(path, "ico");
    return !reader.read().isNull();
}

bool waveReadable(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}
}  // namespace

void watchFirstPaint()
{
    if (!qEnvironmentVariableIsSet("KOBANTO_STARTUP_PROBE"))
        return;
    qApp->installEventFilter(new FirstPaintProbe);
}

int checkAssetsIfAsked()
{
    if (!qEnvironmentVariableIsSet("KOBANTO_CHECK_ASSETS"))
        return -1;
    int missing = 0;
    auto report = [&missing](const QString &what, bool ok) {
        std::printf("%s %s\n", ok ? "ok     " : "MISSING", qPrintable(what));
        if (!ok)
            ++missing;
    };
    std::printf("program folder %s\n", qPrintable(Layout::programPath(QString())));
    for (const char *name : {"kuro", "siro", "ban", "akakuro", "akasiro"}) {
        const QString path = Layout::programPath(QStringLiteral("\\icon\\%1.ico").arg(QLatin1String(name)));
        report(path, pictureReadable(path));
    }
    for (const char *name : {"oku", "BANG"}) {
        const QString path = Layout::programPath(QStringLiteral("\\SE\\%1.jov").arg(QLatin1String(name)));
        report(path, waveReadable(path));
    }
    for (const char *res : {":/res/pen.png", ":/res/kobanto.png"})
        report(QString::fromLatin1(res), !Layout::builtInPicture(QString::fromLatin1(res)).isNull());
    QLibrary audio(QCoreApplication::applicationDirPath() + QStringLiteral("/" KOBANTO_AUDIO_MODULE));
    report(QStringLiteral("audio module ") + audio.fileName(), audio.resolve(KOBANTO_AUDIO_FACTORY) != nullptr);
    std::fflush(stdout);
    return missing == 0 ? 0 : 1;
}
}  // namespace Startup
