// The chat window's list keeps only the newest lines.
#include <QtTest>

#include "tests/common/testkit.h"
#include "windows/net/form9.h"

class TestChatList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestKit::init();
        TestKit::registerWindow<Form9>(FormId::Form9);
    }
    void cleanup() { TestKit::reset(); }

    // Lines added as the match windows add them: the one after the last
    // kept drops the oldest.
    void newestLinesKept()
    {
        QListWidget *list = Form9::list();
        QVERIFY(list);
        for (int i = 1; i <= Form9::maxLines; ++i)
            list->addItem(QString::number(i));
        QCOMPARE(list->count(), 5000);
        QCOMPARE(list->item(0)->text(), "1");
        list->addItem(QStringLiteral("5001"));
        QCOMPARE(list->count(), 5000);
        QCOMPARE(list->item(0)->text(), "2");
        QCOMPARE(list->item(4999)->text(), "5001");
    }
};

QTEST_MAIN(TestChatList)
#include "tst_chatlist.moc"
