#include <QtTest>

class TestBench : public QObject {
    Q_OBJECT
};

QTEST_MAIN(TestBench)
#include "test_bench.moc"
