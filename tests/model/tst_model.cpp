#include "model/ByteFormatter.h"
#include "model/FolderItem.h"
#include "model/NumericComparison.h"
#include "support/Fixtures.h"

#include <QTest>

#include <tuple>

class ModelTest : public QObject {
    Q_OBJECT

private slots:
    // Each case's raw value, and nothing else (another letter case, a title, a badge's text),
    // decodes to it.
    void rawValues() {
        for (CleanupCategory category : allCases<CleanupCategory>) {
            QCOMPARE(fromRawValue<CleanupCategory>(rawValue(category)), category);
        }
        for (SafetyTier tier : {SafetyTier::safe, SafetyTier::developer, SafetyTier::caution}) {
            QCOMPARE(fromRawValue<SafetyTier>(rawValue(tier)), tier);
        }
        QCOMPARE(fromRawValue<CleanupCategory>(u"containerResidue"),
                 CleanupCategory::containerResidue);
        for (const char* raw : {"SafeCaches", "", "Safe App Caches", "simulators "}) {
            QVERIFY2(!fromRawValue<CleanupCategory>(QString::fromLatin1(raw)), raw);
        }
        QVERIFY(!fromRawValue<SafetyTier>(u"Review"));
    }

    // Two items made alike are still two items.
    void itemIdentity() { QVERIFY(item({}).id != item({}).id); }

    // The NDK and update-check tables hold the version orders they rely on.
    void numericComparison_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        // clang-format off
        const std::tuple<const char*, const char*, const char*, int> rows[] = {
            {"equal", "1.2", "1.2", 0},
            {"beyond 64 bits", "1.123456789012345678901234567890", "1.123456789012345678901234567889", 1},
            {"beyond 64 bits by length", "99999999999999999999", "100000000000000000000", -1},
            {"leading zeros are the same number", "1.02", "1.2", 0},
            {"zero against zeros", "0", "000", 0},
            {"text compared by character", "1.0b", "1.0a", 1},
            {"case-sensitive", "a", "B", 1},
            {"digit against letter", "1a", "1.", 1},
            {"empty is smallest", "", "0", -1},
            {"both empty", "", "", 0},
            {"mixed text", "beta12", "beta3", 1}};
        // clang-format on
        for (const auto& [name, a, b, order] : rows) {
            QTest::newRow(name) << a << b << order;
        }
    }
    void numericComparison() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const auto sign = [](std::strong_ordering o) { return o < 0 ? -1 : (o > 0 ? 1 : 0); };
        QCOMPARE(sign(compareNumerically(a, b)), order);
        QCOMPARE(sign(compareNumerically(b, a)), -order);
    }

    void formatBytes_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0 B";
        QTest::newRow("negative") << qint64(-5) << "0 B";
        QTest::newRow("most negative") << std::numeric_limits<qint64>::min() << "0 B";
        QTest::newRow("one byte") << qint64(1) << "1 byte";
        QTest::newRow("bytes") << qint64(999) << "999 bytes";
        QTest::newRow("one KB") << qint64(1000) << "1 KB";
        QTest::newRow("KB rounds") << qint64(1499) << "1 KB";
        QTest::newRow("KB rounds up") << qint64(1500) << "2 KB";
        QTest::newRow("KB to MB") << qint64(999'999) << "1 MB";
        QTest::newRow("MB fraction") << qint64(1'500'000) << "1.5 MB";
        QTest::newRow("MB trailing zero dropped") << qint64(2'000'000) << "2 MB";
        QTest::newRow("MB rounding") << qint64(1'049'999) << "1 MB";
        QTest::newRow("MB to GB") << qint64(999'950'000) << "1 GB";
        QTest::newRow("GB two digits") << qint64(2'345'000'000) << "2.35 GB";
        QTest::newRow("GB one digit") << qint64(2'300'000'000) << "2.3 GB";
        QTest::newRow("TB") << qint64(1'230'000'000'000) << "1.23 TB";
        QTest::newRow("GB to TB") << qint64(999'995'000'000) << "1 TB";
        QTest::newRow("thousands of TB") << qint64(5'000'000'000'000'000) << "5,000 TB";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "9,223,372.04 TB";
    }
    void formatBytes() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(::formatBytes(bytes), text);
    }
};

QTEST_GUILESS_MAIN(ModelTest)
#include "tst_model.moc"
