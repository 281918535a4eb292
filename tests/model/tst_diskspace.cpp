#include "model/DiskSpaceInfo.h"
#include "platform/VolumeQuery.h"

#include <QTest>

namespace {

// A volume whose two ways of answering are set by the test.
class ScriptedVolume final : public VolumeQuery {
public:
    std::optional<Capacities> primary;
    std::optional<QVariantMap> attributes;
    mutable int attributeReads = 0;

    std::optional<Capacities> capacities(const QString& path) const override {
        return path == QLatin1String("/") ? primary : std::nullopt;
    }
    std::optional<QVariantMap> fileSystemAttributes(const QString& path) const override {
        ++attributeReads;
        return path == QLatin1String("/") ? attributes : std::nullopt;
    }
};

using Capacities = VolumeQuery::Capacities;
const QString sizeKey = QStringLiteral("NSFileSystemSize");
const QString freeKey = QStringLiteral("NSFileSystemFreeSize");

} // namespace

Q_DECLARE_METATYPE(std::optional<Capacities>)
Q_DECLARE_METATYPE(std::optional<QVariantMap>)

class DiskSpaceTest : public QObject {
    Q_OBJECT

private slots:
    void reading_data() {
        QTest::addColumn<std::optional<Capacities>>("primary");
        QTest::addColumn<std::optional<QVariantMap>>("attributes");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("free");
        QTest::addColumn<bool>("fellBack");

        const QVariantMap full{{sizeKey, qint64(900)}, {freeKey, qint64(300)}};
        QTest::newRow("primary answers")
            << std::optional(Capacities{500, 100}) << std::optional(full) << qint64(500)
            << qint64(100) << false;
        QTest::newRow("primary lacks available capacity: no fallback")
            << std::optional(Capacities{500, std::nullopt}) << std::optional(full) << qint64(500)
            << qint64(0) << false;
        QTest::newRow("primary lacks both") << std::optional(Capacities{}) << std::optional(full)
                                            << qint64(0) << qint64(0) << false;
        QTest::newRow("primary fails: attributes")
            << std::optional<Capacities>() << std::optional(full) << qint64(900) << qint64(300)
            << true;
        QTest::newRow("attributes lack free size")
            << std::optional<Capacities>() << std::optional(QVariantMap{{sizeKey, qint64(900)}})
            << qint64(0) << qint64(0) << true;
        QTest::newRow("attributes empty")
            << std::optional<Capacities>() << std::optional(QVariantMap{}) << qint64(0) << qint64(0)
            << true;
        QTest::newRow("size not a number")
            << std::optional<Capacities>()
            << std::optional(QVariantMap{{sizeKey, QStringLiteral("900")}, {freeKey, qint64(3)}})
            << qint64(0) << qint64(0) << true;
        QTest::newRow("both fail") << std::optional<Capacities>() << std::optional<QVariantMap>()
                                   << qint64(0) << qint64(0) << true;
    }
    void reading() {
        QFETCH(std::optional<Capacities>, primary);
        QFETCH(std::optional<QVariantMap>, attributes);
        QFETCH(qint64, total);
        QFETCH(qint64, free);
        QFETCH(bool, fellBack);
        ScriptedVolume volume;
        volume.primary = primary;
        volume.attributes = attributes;
        const DiskSpaceInfo info = DiskSpaceInfo::current(volume);
        QCOMPARE(info.totalBytes, total);
        QCOMPARE(info.freeBytes, free);
        QCOMPARE(volume.attributeReads > 0, fellBack);
    }

    void realVolumeAnswers() {
        const DiskSpaceInfo first = DiskSpaceInfo::current();
        QVERIFY(first.totalBytes > 0);
        QVERIFY(first.freeBytes >= 0 && first.freeBytes <= first.totalBytes);
        QCOMPARE((DiskSpaceInfo{7, 3}), (DiskSpaceInfo{7, 3}));
        QVERIFY((DiskSpaceInfo{7, 3}) != (DiskSpaceInfo{7, 4}));
    }
};

QTEST_GUILESS_MAIN(DiskSpaceTest)
#include "tst_diskspace.moc"
