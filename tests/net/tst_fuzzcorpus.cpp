#include <QDir>
#include <QtTest>

#include "tests/fuzz/receive_path.h"

// Every seed of the fuzz target through the same receive path, so the
// sanitizer build of the ordinary tests covers what the fuzzer starts from.
class TestFuzzCorpus : public QObject {
    Q_OBJECT
private slots:
    void replay_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../fuzz/corpus")));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 24, "the seed corpus is missing");
        for (const QString &f : files)
            QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }
    void replay()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray read = file.readAll();
        // Junk seeds make the receiver report on standard error; that is
        // expected here.
        static int reports = 0;
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) { ++reports; });
        const QString fault = ReceivePath::check(read);
        qInstallMessageHandler(nullptr);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
