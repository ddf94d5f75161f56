#include <QtTest>

class TestDetektor : public QObject {
    Q_OBJECT
};

QTEST_MAIN(TestDetektor)
#include "test_detektor.moc"
