#include "model/CleanupCategory.h"
#include "ui/CapsuleLabel.h"
#include "ui/TextLabel.h"
#include "ui/Theme.h"

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

// Pixels that `paint` covers in an image of `size` points at `scale` pixels per point.
int inkOf(QSize size, qreal scale, const std::function<void(QPainter&)>& paint) {
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paint(painter);
    }
    int covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return covered;
}

} // namespace

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    // Every symbol the views name must be drawable: a missing icon would leave a blank.
    void everySymbolDraws_data() {
        QTest::addColumn<Symbol>("name");
        for (Symbol symbol : allCases<Symbol>) {
            QTest::newRow(qPrintable(Theme::symbolFile(symbol))) << symbol;
        }
    }
    void everySymbolDraws() {
        QFETCH(Symbol, name);
        const QColor tint = Theme::named(Tint::orange, QPalette(Qt::white));
        const QPixmap symbol = Theme::symbol(name, tint, 20, 2.0, QFont::DemiBold);
        // Sharp at the device pixel ratio, and so laid out at its nominal size.
        QCOMPARE(symbol.devicePixelRatio(), 2.0);
        QCOMPARE(symbol.size(), QSize(40, 40));

        // Tinted: every pixel that is drawn has the tint's colour; some are drawn.
        const QImage image = symbol.toImage().convertToFormat(QImage::Format_ARGB32);
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() < 200) {
                    continue;
                }
                ++drawn;
                // Premultiplied storage may move a channel by a step or two.
                const int off = std::max({std::abs(pixel.red() - tint.red()),
                                          std::abs(pixel.green() - tint.green()),
                                          std::abs(pixel.blue() - tint.blue())});
                QVERIFY2(off <= 3, qPrintable(pixel.name()));
            }
        }
        QVERIFY2(drawn > 20, qPrintable(QStringLiteral("%1 opaque pixels").arg(drawn)));
    }

    // Underscores, descenders and accents reach beyond a font's nominal ascent and descent: a
    // label must be tall enough for every pixel that the font draws, at either scale.
    void noGlyphIsCut_data() {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<qreal>("scale");
        const std::pair<const char*, QFont> fonts[] = {
            {"title2", Theme::font(Theme::TextStyle::title2)},
            {"title3", Theme::font(Theme::TextStyle::title3)},
            {"headline", Theme::font(Theme::TextStyle::headline)},
            {"body", Theme::font(Theme::TextStyle::body)},
            {"subheadline", Theme::font(Theme::TextStyle::subheadline)},
            {"caption", Theme::font(Theme::TextStyle::caption)},
            {"caption2", Theme::font(Theme::TextStyle::caption2)},
            {"badge", Theme::systemFont(10, QFont::DemiBold)},
            {"size", Theme::systemFont(14, QFont::Bold, Theme::Design::rounded)},
        };
        for (const qreal scale : {1.0, 2.0}) {
            for (const auto& [name, font] : fonts) {
                QTest::addRow("%s at %gx", name, scale) << font << scale;
            }
        }
    }
    void noGlyphIsCut() {
        QFETCH(QFont, font);
        QFETCH(qreal, scale);
        const QString text = QStringLiteral("\u00C9gy_j");
        const int drawn = inkOf({200, 100}, scale, [&](QPainter& painter) {
            painter.setFont(font);
            painter.drawText(20, 50, text);
        });
        TextLabel label(font, Theme::Color::of(Theme::Color::Role::primary));
        label.setText(text);
        CapsuleLabel pill(font, Theme::Color::of(Theme::Color::Role::primary), 6, 2, 0.0);
        pill.setText(text);
        for (QWidget* widget : {static_cast<QWidget*>(&label), static_cast<QWidget*>(&pill)}) {
            widget->resize(widget->sizeHint());
            const int shown = inkOf(widget->size(), scale, [widget](QPainter& painter) {
                widget->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
            });
            QCOMPARE(shown, drawn);
        }
    }

    void darkPaletteGivesDarkVariants() {
        const QPalette light = Theme::designPalette(false);
        const QPalette dark = Theme::designPalette(true);
        QVERIFY(Theme::named(Tint::green, light) != Theme::named(Tint::green, dark));
        // Secondary text follows the palette's text colour, never a fixed black or white, and
        // stays fainter than primary text, tertiary fainter still.
        const auto secondary = Theme::Color::of(Theme::Color::Role::secondary);
        for (const QPalette& palette : {light, dark}) {
            QCOMPARE(Theme::resolve(secondary, palette).rgb(),
                     palette.color(QPalette::WindowText).rgb());
            QList<qreal> alpha; // primary, secondary, tertiary
            for (int role = 1; role <= 3; ++role) {
                alpha
                    << Theme::resolve(Theme::Color::of(Theme::Color::Role(role)), palette).alphaF();
            }
            QVERIFY(alpha[0] > alpha[1] + 0.1 && alpha[1] > alpha[2] + 0.1);
        }
    }

    // Capsules keep round ends whatever their size: the corner pixels stay empty while the
    // middle of each end is filled.
    void capsuleEndsAreRound() {
        CapsuleLabel pill(Theme::systemFont(14, QFont::Bold), Theme::Color::of(Tint::green), 10, 5,
                          1.0);
        pill.setText(QStringLiteral("+20 GB Reclaimable"));
        pill.resize(pill.sizeHint());
        QImage image(pill.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        pill.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const int right = image.width() - 1;
        const int bottom = image.height() - 1;
        // Three pixels in from a corner along the top edge is still outside the round end.
        for (const QPoint outside : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom),
                                     QPoint(right, bottom), QPoint(3, 0)}) {
            QCOMPARE(qAlpha(image.pixel(outside)), 0);
        }
        QVERIFY(qAlpha(image.pixel(1, image.height() / 2)) > 0);
        QVERIFY(qAlpha(image.pixel(right - 1, image.height() / 2)) > 0);
    }
};

QTEST_MAIN(ThemeTest)
#include "tst_theme.moc"
