#include <QtTest>

class TestGeometry : public QObject {
    Q_OBJECT
};

QTEST_MAIN(TestGeometry)
#include "test_geometry.moc"
