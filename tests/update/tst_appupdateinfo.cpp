#include "update/AppUpdateInfo.h"

#include <QTest>

#include <limits>

namespace {

// JSON written with single quotes, which no text here needs, so that it reads without escapes.
QByteArray j(const char* text) {
    return QByteArray(text).replace('\'', '"');
}

// A manifest whose "build" member is written exactly as given.
QByteArray withBuild(const QByteArray& buildText) {
    return j("{'version': '2.1.0', 'build': ") + buildText +
           j(", 'releaseNotes': 'Notes', 'downloadURL': 'https://example.com/d'}");
}

} // namespace

Q_DECLARE_METATYPE(std::optional<qint64>)

class AppUpdateInfoTest : public QObject {
    Q_OBJECT

private slots:
    void shape_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("minimumMacOS"); // "<none>" when absent

        const QByteArray required =
            j("'version': '2', 'build': 3, 'releaseNotes': 'n', 'downloadURL': 'u'");
        const auto row = [](const char* name, const QByteArray& json, bool decodes,
                            const QString& minimum = QStringLiteral("<none>")) {
            QTest::newRow(name) << json << decodes << minimum;
        };
        row("required keys only", "{" + required + "}", true);
        row("minimumMacOS null", "{" + required + j(", 'minimumMacOS': null}"), true);
        row("minimumMacOS empty", "{" + required + j(", 'minimumMacOS': ''}"), true, "");
        row("minimumMacOS number", "{" + required + j(", 'minimumMacOS': 13}"), false);
        row("minimumMacOS object", "{" + required + j(", 'minimumMacOS': {}}"), false);
        row("other keys ignored",
            "{" + required + j(", 'sha256': 7, 'extra': {'build': 'x'}, 'list': [1, {}]}"), true);
        row("byte-order mark", "\xEF\xBB\xBF{" + required + "}", true);
        row("missing version", j("{'build': 3, 'releaseNotes': 'n', 'downloadURL': 'u'}"), false);
        row("missing build", j("{'version': '2', 'releaseNotes': 'n', 'downloadURL': 'u'}"), false);
        row("missing releaseNotes", j("{'version': '2', 'build': 3, 'downloadURL': 'u'}"), false);
        row("missing downloadURL", j("{'version': '2', 'build': 3, 'releaseNotes': 'n'}"), false);
        row("version number",
            j("{'version': 2, 'build': 3, 'releaseNotes': 'n', 'downloadURL': 'u'}"), false);
        row("releaseNotes null",
            j("{'version': '2', 'build': 3, 'releaseNotes': null, 'downloadURL': 'u'}"), false);
        row("downloadURL array",
            j("{'version': '2', 'build': 3, 'releaseNotes': 'n', 'downloadURL': ['u']}"), false);
        row("key in other case",
            j("{'Version': '2', 'build': 3, 'releaseNotes': 'n', 'downloadURL': 'u'}"), false);
        row("array", "[{" + required + "}]", false);
        row("two objects", "{" + required + "}{" + required + "}", false);
        row("trailing text", "{" + required + "} x", false);
        row("truncated", "{" + required, false);
        row("empty", "", false);
        row("null", "null", false);
        row("text", j("'2.1.0'"), false);
        const QByteArray rest = j(", 'build': 3, 'releaseNotes': 'n', 'downloadURL': 'u'}");
        row("raw control character in a string", j("{'version': '2\x01'") + rest, false);
        row("raw tab in a string", j("{'version': '2\t'") + rest, false);
        row("raw control character in an ignored key", "{\"x\x1f\": 1, " + required + "}", false);
        row("lone high surrogate", j("{'version': '\\ud800'") + rest, false);
        row("lone low surrogate", j("{'version': '\\uDC00'") + rest, false);
        row("high surrogate before a letter", j("{'version': '\\ud800\\u0041'") + rest, false);
        row("surrogates in the wrong order", j("{'version': '\\udc00\\ud800'") + rest, false);
        row("undefined escape in an ignored string", "{\"x\": \"\\q\", " + required + "}", false);
        row("point without a digit in an ignored number", "{\"x\": [1., 2], " + required + "}",
            false);
        row("surrogate pair",
            j("{'version': '\\ud83d\\ude00', 'releaseNotes': '\\\\ud800'") +
                j(", 'build': 3, 'downloadURL': 'u'}"),
            true);
    }
    void shape() {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        QFETCH(QString, minimumMacOS);
        const auto info = AppUpdateInfo::decode(json);
        QCOMPARE(info.has_value(), decodes);
        if (info) {
            QCOMPARE(info->minimumMacOS.value_or(QStringLiteral("<none>")), minimumMacOS);
        }
    }

    // Every "build" text, and manifests where the member that counts must be told from others;
    // no build: the manifest is refused.
    void build_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<std::optional<qint64>>("build");
        constexpr qint64 largest = std::numeric_limits<qint64>::max();
        constexpr qint64 smallest = std::numeric_limits<qint64>::min();
        // As doubles some of these read as 2^63 (out of range) or lose the last digit; their
        // text is exact.
        // clang-format off
        const std::pair<const char*, qint64> accepted[] = {
            {"57", 57}, {"57.0", 57}, {"1e3", 1000}, {"1E+3", 1000}, {"5.7e1", 57},
            {"5700e-2", 57}, {"0", 0}, {"0.0000000000000000000057e22", 57}, {"-0", 0},
            {"0e999999999999999999999", 0}, {"-3", -3}, {"1e18", 1'000'000'000'000'000'000},
            {"9223372036854775807", largest}, {"-9223372036854775808", smallest},
            {"9223372036854775807.0", largest}, {"9.223372036854775807e18", largest},
            {"-9.223372036854775808e18", smallest}, {"9007199254740993.0", 9'007'199'254'740'993}};
        const char* const rejected[] = {
            "57.5", "0.5", "1e-1", "57.000000000000000001", "9223372036854775808",
            "-9223372036854775809", "-9223372036854775808.5", "9223372036854775807.5", "1e19",
            "-1e19", "18446744073709551616", "99999999999999999999999999999", "1e400", "1e-400",
            "5.", ".5", "057", "+5", "\"57\"", "true", "null", "[57]", "{\"value\": 57}"};
        // clang-format on
        for (const auto& [text, build] : accepted) {
            QTest::newRow(text) << withBuild(text) << std::optional(build);
        }
        for (const char* text : rejected) {
            QTest::newRow(text) << withBuild(text) << std::optional<qint64>();
        }
        const QByteArray rest = j("'version': '2', 'releaseNotes': 'n', 'downloadURL': 'u'");
        const auto row = [](const char* name, const QByteArray& json, std::optional<qint64> build) {
            QTest::newRow(name) << json << build;
        };
        row("repeated key, last counts", "{\"build\": \"x\", " + rest + ", \"build\": 7}", 7);
        row("repeated key, last is text", "{\"build\": 7, " + rest + ", \"build\": \"7\"}", {});
        row("repeated key, last out of range",
            "{\"build\": 5, " + rest + ", \"build\": -9223372036854775809}", {});
        row("escaped key", "{\"bu\\u0069ld\": 42, " + rest + "}", 42);
        row("escaped key after a plain one", "{\"build\": 1, " + rest + ", \"b\\u0075ild\": 2}", 2);
        row("undefined escape in a key", "{\"bu\\ild\": 42, " + rest + "}", {});
        row("nested members ignored",
            "{\"meta\": {\"build\": 1, \"s\": \"}\\\"{\"}, \"build\": 2, " + rest +
                ", \"tail\": [{\"build\": 3}]}",
            2);
        row("look-alike inside a string",
            "{\"note\": \"\\\"build\\\": 9\", \"build\": 4, " + rest + "}", 4);
        row("spacing everywhere", "\r\n\t{ \"build\" \n:\t 8 ,\n" + rest + " }\n", 8);
    }
    void build() {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<qint64>, build);
        const auto info = AppUpdateInfo::decode(json);
        QCOMPARE(info ? std::optional(info->build) : std::nullopt, build);
    }

    // A manifest's members land in their fields; encoded again, whatever the build and whether
    // minimumMacOS is there, it decodes to the same.
    void wellFormedAndRoundTrips_data() {
        QTest::addColumn<qint64>("build");
        QTest::addColumn<bool>("hasMinimum");
        QTest::newRow("largest build, no minimumMacOS")
            << std::numeric_limits<qint64>::max() << false;
        QTest::newRow("smallest build, minimumMacOS") << std::numeric_limits<qint64>::min() << true;
    }
    void wellFormedAndRoundTrips() {
        QFETCH(qint64, build);
        QFETCH(bool, hasMinimum);
        auto info = AppUpdateInfo::decode(
            j("{'version': '2.1.0', 'build': 57, 'releaseNotes': 'Faster.\\n\\u0022Fewer\\u0022 "
              "caf\\u00e9', 'downloadURL': 'https://example.com/d?a=1&b=2', 'minimumMacOS': "
              "'13.0'}"));
        QVERIFY(info);
        QCOMPARE(info->version, QStringLiteral("2.1.0"));
        QCOMPARE(info->build, qint64(57));
        QCOMPARE(info->releaseNotes, QStringLiteral("Faster.\n\"Fewer\" caf\u00e9"));
        QCOMPARE(info->downloadURL, QStringLiteral("https://example.com/d?a=1&b=2"));
        QCOMPARE(info->minimumMacOS, std::optional(QStringLiteral("13.0")));
        info->build = build;
        if (!hasMinimum) {
            info->minimumMacOS.reset();
        }
        QCOMPARE(AppUpdateInfo::decode(info->encode()), info);
    }
};

QTEST_MAIN(AppUpdateInfoTest)
#include "tst_appupdateinfo.moc"
