#include "support/Fixtures.h"

#include "model/FolderItemList.h"
#include "platform/DisplayPath.h"
#include "ui/CapsuleLabel.h"
#include "ui/FolderRow.h"
#include "ui/PlainButton.h"
#include "ui/TextLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QLayout>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <memory>

namespace {

// A list and rows over it, as a section makes them.
struct Rows {
    explicit Rows(const QList<FolderItem>& items) { list.replaceAll(items); }
    // The row of the item at `index`, laid out at `width` and shown.
    std::unique_ptr<FolderRow> row(int index, int width = 600,
                                   const QString& home = QStringLiteral("/Users/u")) {
        auto row = std::make_unique<FolderRow>(list, index, FolderRow::Environment{home, &desktop});
        row->resize(width, row->heightForWidth(width));
        row->show();
        return row;
    }
    FakeDesktop desktop;
    FolderItemList list;
};

} // namespace

Q_DECLARE_METATYPE(SafetyTier)
Q_DECLARE_METATYPE(Tint)

class FolderRowTest : public QObject {
    Q_OBJECT

private slots:
    void badges_data() {
        QTest::addColumn<SafetyTier>("tier");
        QTest::addColumn<bool>("sudo");
        QTest::addColumn<QString>("label");
        QTest::addColumn<Tint>("colour");
        using enum SafetyTier;
        using enum Tint;
        QTest::newRow("safe") << safe << false << "Safe" << green;
        QTest::newRow("developer") << developer << false << "Developer" << blue;
        QTest::newRow("caution reads Review") << caution << false << "Review" << orange;
        QTest::newRow("caution with sudo") << caution << true << "Review" << orange;
        QTest::newRow("safe with sudo") << safe << true << "Safe" << green;
    }
    void badges() {
        QFETCH(SafetyTier, tier);
        QFETCH(bool, sudo);
        QFETCH(QString, label);
        QFETCH(Tint, colour);
        Rows rows({item({.name = "x", .tier = tier, .policy = {.requiresSudo = sudo}})});
        const auto row = rows.row(0);
        // The checkbox has no text of its own (the name is beside it) but names what it selects.
        QVERIFY(row->checkBox()->text().isEmpty());
        QCOMPARE(row->checkBox()->accessibleName(), QStringLiteral("x"));
        QCOMPARE(row->safetyBadge()->text(), label);
        QCOMPARE(row->safetyBadge()->color(), Theme::Color::of(colour));
        QVERIFY(row->safetyBadge()->isVisible());
        QCOMPARE(row->sudoBadge()->isVisible(), sudo);
        if (sudo) {
            QVERIFY(row->sudoBadge()->x() > row->safetyBadge()->x());
        }
    }

    void subtitleLines() {
        Rows rows(
            {item({.subtitle = QString()}), item({.subtitle = QStringLiteral("Short.")}),
             item({.subtitle = QStringLiteral("Removing them changes nothing. ").repeated(9)})});
        const auto none = rows.row(0);
        const auto one = rows.row(1);
        const auto longRow = rows.row(2);

        // An empty subtitle takes no line: the path line follows the name directly, where a
        // one-line subtitle pushes it down by that line and its spacing.
        QVERIFY(none->subtitleLabel()->isHidden());
        const auto nameToPath = [](const FolderRow& row) {
            return row.pathLabel()->mapTo(&row, QPoint()).y() -
                   row.nameLabel()->mapTo(&row, QPoint()).y();
        };
        QCOMPARE(nameToPath(*one) - nameToPath(*none), one->subtitleLabel()->height() + 3);
        QCOMPARE(one->subtitleLabel()->visibleLines(one->subtitleLabel()->width()).size(), 1);

        // Many sentences are cut to two lines, the second ending in an ellipsis.
        TextLabel* subtitle = longRow->subtitleLabel();
        const QStringList lines = subtitle->visibleLines(subtitle->width());
        QCOMPARE(lines.size(), 2);
        QVERIFY(subtitle->isElided(subtitle->width()));
        QVERIFY(lines.last().endsWith(QChar(0x2026)));
        QVERIFY(longRow->heightForWidth(600) > one->heightForWidth(600));
        QCOMPARE(subtitle->visibleLines(20000).size(), 1);
        QVERIFY(!subtitle->isElided(20000));
    }

    void displayPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("shown");
        // Only whole folder names count: /Users/alice is not inside /Users/al.
        // clang-format off
        const char* const rows[][4] = {
            {"inside home", "/Users/u/Library/Caches/c.app", "/Users/u", "~/Library/Caches/c.app"},
            {"home itself", "/Users/u", "/Users/u", "~"},
            {"system location", "/Library/Audio/VST", "/Users/u", "/Library/Audio/VST"},
            {"home is a name prefix", "/Users/alice/x", "/Users/al", "/Users/alice/x"},
            {"sibling folder with suffix", "/Users/u2/Library", "/Users/u", "/Users/u2/Library"},
            {"home with a space", "/Users/Al Bo/.npm/_cacache", "/Users/Al Bo", "~/.npm/_cacache"},
            {"no usable home", "/Users/u/.npm", "", "/Users/u/.npm"},
            {"other letter case", "/users/u/.npm", "/Users/u", "/users/u/.npm"},
            {"line break in a name", "/Users/u/a\nAll removed.", "/Users/u", "~/a\uFFFDAll removed."},
            {"override turning the name around", "/Users/u/x/\u202Ecod.asr_di", "/Users/u",
             "~/x/\uFFFDcod.asr_di"},
            {"C1, DEL, separators, isolates and marks",
             "/o/a\u0085b\x7F" "c\u2028d\u2029e\u2066f\u2069g\u200Eh\u061Ci", "",
             "/o/a\uFFFDb\uFFFDc\uFFFDd\uFFFDe\uFFFDf\uFFFDg\uFFFDh\uFFFDi"}};
        // clang-format on
        for (const auto& row : rows) {
            QTest::newRow(row[0]) << row[1] << row[2] << row[3];
        }
    }
    void displayPaths() {
        QFETCH(QString, path);
        QFETCH(QString, home);
        QFETCH(QString, shown);
        // The row of an item named after the path's last folder name, as found on disk.
        Rows rows({item({.name = path.section('/', -1), .path = path})});
        const auto row = rows.row(0, 600, home);
        QCOMPARE(row->pathLabel()->text(), shown);
        if (shown != "~") {
            QCOMPARE(row->nameLabel()->text(), shown.section('/', -1));
        }
    }

    void pathLineAndReveal() {
        const QString path = QStringLiteral("/Users/u/Library/Caches/<b>com</b>.example&amp;app");
        Rows rows({item({.path = path, .bytes = 0})});
        const auto row = rows.row(0);
        // A tool tip takes what looks like markup for markup: the path must still show as it is.
        QTextDocument tip;
        tip.setHtml(row->pathLabel()->toolTip());
        QCOMPARE(tip.toPlainText(), path);
        QCOMPARE(row->sizeLabel()->text(), QStringLiteral("0 B"));

        // Reveal asks for the full path, not the "~" form, and nothing else happens.
        QSignalSpy changes(&rows.list, &FolderItemList::dataChanged);
        QTest::mouseClick(row->revealButton(), Qt::LeftButton);
        QCOMPARE(rows.desktop.revealed, QStringList{path});
        QCOMPARE(changes.size(), 0);
        row->revealButton()->setFocus();
        QTest::keyClick(row->revealButton(), Qt::Key_Space);
        QCOMPARE(rows.desktop.revealed, (QStringList{path, path}));

        // A target that runs a command shows it where the path would be, and names its folder
        // in the tool tip, all as plain text.
        rows.list.replaceAll({item({.path = path, .command = "docker image prune --all --force"})});
        row->refresh();
        QCOMPARE(row->pathLabel()->text(), QStringLiteral("docker image prune --all --force"));
        tip.setHtml(row->pathLabel()->toolTip());
        QVERIFY(tip.toPlainText().endsWith(path));

        // A name stays on one line at the width it asks for, even where a break after a hyphen
        // needs a fraction of a pixel more than the rounded advance.
        rows.list.replaceAll({item({.name = "com.example.notes-updater"})});
        row->refresh();
        QCOMPARE(row->nameLabel()->visibleLines(row->nameLabel()->sizeHint().width()).size(), 1);

        // A long name wraps; a long path wraps anywhere and is shown whole, never cut.
        const QString deep = "/Users/u/Library/Developer/CoreSimulator/Caches/dyld/23A344/"
                             "com.apple.CoreSimulator.SimRuntime.iOS-17-0.21A328_cache";
        rows.list.replaceAll(
            {item({.name = "Simulator Runtime Caches and Device Support Images", .path = deep})});
        row->refresh();
        row->resize(500, row->heightForWidth(500));
        row->layout()->activate();
        for (TextLabel* label : {row->nameLabel(), row->pathLabel()}) {
            const QStringList lines = label->visibleLines(label->width());
            QVERIFY2(lines.size() > 1, qPrintable(lines.join('|')));
            QCOMPARE(lines.join(QString()).remove(' '), QString(label->text()).remove(' '));
            QCOMPARE(label->height(), label->heightForWidth(label->width()));
        }
        QCOMPARE(row->pathLabel()->visibleLines(row->pathLabel()->width()).join(QString()),
                 displayPath(deep, "/Users/u"));
    }
};

QTEST_MAIN(FolderRowTest)
#include "tst_folderrow.moc"
