#include "model/DiskSpaceInfo.h"
#include "platform/VolumeName.h"
#include "platform/VolumeQuery.h"
#include "support/FakeDisk.h"

#include <QFile>
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

        const auto row = [](const char* name, std::optional<Capacities> primary,
                            std::optional<QVariantMap> attributes, qint64 total, qint64 free,
                            bool fellBack) {
            QTest::newRow(name) << primary << attributes << total << free << fellBack;
        };
        const QVariantMap full{{sizeKey, qint64(900)}, {freeKey, qint64(300)}};
        row("primary answers", Capacities{500, 100}, full, 500, 100, false);
        row("primary lacks available capacity: no fallback", Capacities{500, {}}, full, 500, 0,
            false);
        row("primary lacks both", Capacities{}, full, 0, 0, false);
        row("primary fails: attributes", {}, full, 900, 300, true);
        row("attributes lack free size", {}, QVariantMap{{sizeKey, qint64(900)}}, 0, 0, true);
        row("attributes empty", {}, QVariantMap{}, 0, 0, true);
        row("size not a number", {},
            QVariantMap{{sizeKey, QStringLiteral("900")}, {freeKey, qint64(3)}}, 0, 0, true);
        row("both fail", {}, {}, 0, 0, true);
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
    }

    // The disk card's name: the root volume's label, else the system's pretty name (a null
    // column is a file that is not there).
    void volumeName_data() {
        QTest::addColumn<QByteArray>("etc");
        QTest::addColumn<QByteArray>("usrLib");
        QTest::addColumn<QString>("labelled"); // the device that carries the label "My Disk"
        QTest::addColumn<QString>("name");
        const QByteArray debian =
            "NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n";
        const QString debianName = "Debian GNU/Linux 12 (bookworm)";
        const auto row = [](const char* name, const QByteArray& etc, const QByteArray& usrLib,
                            const QString& labelled, const QString& shown) {
            QTest::newRow(name) << etc << usrLib << labelled << shown;
        };
        row("pretty name", debian, {}, {}, debianName);
        row("label of the root device", debian, {}, "sda2", "My Disk");
        row("label of another device", debian, {}, "sda1", debianName);
        row("vendor file when /etc has none", {}, "PRETTY_NAME='Fedora Linux 40'", {},
            "Fedora Linux 40");
        row("/etc first, unquoted", "PRETTY_NAME=Plain", "PRETTY_NAME=Other", {}, "Plain");
        row("escapes and comments", "# PRETTY_NAME=No\n  PRETTY_NAME=\"A \\\"B\\\" \\\\ \\$C\"\n",
            {}, {}, "A \"B\" \\ $C");
        row("no pretty name in /etc", "NAME=X\n", "PRETTY_NAME=Other", {}, "Linux");
        row("empty pretty name", "PRETTY_NAME=\"\"", {}, {}, "Linux");
        row("no files", {}, {}, {}, "Linux");
    }
    void volumeName() {
#if !defined(Q_OS_LINUX)
        QSKIP("the name is fixed on this system");
#endif
        QFETCH(QByteArray, etc);
        QFETCH(QByteArray, usrLib);
        QFETCH(QString, labelled);
        QFETCH(QString, name);
        const FakeDisk disk;
        const auto put = [&](const QString& logical, const QByteArray& content) {
            disk.makeFolder(logical.section('/', 0, -2));
            QFile file(disk.real(logical));
            QVERIFY(content.isNull() ||
                    (file.open(QIODevice::WriteOnly) && file.write(content) >= 0));
        };
        put("/etc/os-release", etc);
        put("/usr/lib/os-release", usrLib);
        put("/proc/self/mountinfo", "1 0 8:1 / /boot rw - ext4 /dev/sda1 rw\n"
                                    "2 0 8:2 / / rw shared:1 - ext4 /dev/sda2 rw\n");
        put("/dev/sda1", "");
        put("/dev/sda2", "");
        if (!labelled.isEmpty()) {
            disk.makeLink("/dev/disk/by-label/My\\x20Disk", "../../" + labelled);
        }
        QCOMPARE(VolumeName::underRoot(QFile::encodeName(disk.root())), name);
    }
};

QTEST_GUILESS_MAIN(DiskSpaceTest)
#include "tst_diskspace.moc"
