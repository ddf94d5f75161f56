#include <QtTest>

class TestRtf : public QObject {
    Q_OBJECT
};

QTEST_MAIN(TestRtf)
#include "test_rtf.moc"
