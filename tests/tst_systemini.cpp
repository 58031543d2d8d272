#include <QtTest>
class Test : public QObject { Q_OBJECT private slots: void placeholder() { QVERIFY(true); } };
QTEST_GUILESS_MAIN(Test)
#include "tst_systemini.moc"
