#include "ui/Theme.h"

#include "ui/SymbolIcons.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct TextStyleSize {
    int designSize;
    QFont::Weight weight;
};

TextStyleSize styleSize(Theme::TextStyle style) {
    switch (style) {
    case Theme::TextStyle::title2:
        return {17, QFont::Normal};
    case Theme::TextStyle::title3:
        return {15, QFont::Normal};
    case Theme::TextStyle::headline:
        return {13, QFont::DemiBold};
    case Theme::TextStyle::body:
        return {13, QFont::Normal};
    case Theme::TextStyle::subheadline:
        return {11, QFont::Normal};
    case Theme::TextStyle::caption:
    case Theme::TextStyle::caption2:
        return {10, QFont::Normal};
    }
    return {13, QFont::Normal};
}

struct NamedColor {
    QRgb light;
    QRgb dark;
};

NamedColor namedColor(Tint tint) {
    switch (tint) {
    case Tint::green:
        return {0x28CD41, 0x32D74B};
    case Tint::blue:
        return {0x007AFF, 0x0A84FF};
    case Tint::indigo:
        return {0x5856D6, 0x5E5CE6};
    case Tint::orange:
        return {0xFF9500, 0xFF9F0A};
    case Tint::purple:
        return {0xAF52DE, 0xBF5AF2};
    case Tint::red:
        return {0xFF3B30, 0xFF453A};
    case Tint::teal:
        return {0x30B0C7, 0x40C8E0};
    }
    return {0x007AFF, 0x0A84FF};
}

// Relative luminance of an opaque colour, as the contrast ratio of WCAG 2 defines it.
qreal luminance(const QColor& color) {
    const auto linear = [](float channel) {
        return channel <= 0.04045f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

// True when `color`, drawn on each of `backgrounds`, reaches `ratio` against it. Painting rounds
// each blend a little differently; some headroom keeps every drawn pixel at the ratio.
bool reaches(const QColor& color, const QList<QColor>& backgrounds, qreal ratio) {
    constexpr qreal headroom = 0.05;
    return std::all_of(backgrounds.cbegin(), backgrounds.cend(), [&](const QColor& background) {
        return Theme::contrast(Theme::over(color, background), background) >= ratio + headroom;
    });
}

// The palette's text colour at the lowest strength from `nominal` up (the platform's own, from
// which it derives its secondary and tertiary label colours) that reaches `ratio` on every
// surface; opaque when none does. The pixel only moves away from the surface as the alpha grows,
// so the steps can be halved.
QColor searchTextAt(const QPalette& palette, qreal nominal, qreal ratio) {
    QColor color = palette.color(QPalette::WindowText);
    const QList<QColor> surfaces = Theme::surfaces(palette);
    int weak = static_cast<int>(std::ceil(nominal * 255)) - 1; // one step short of the nominal
    int strong = 255;
    while (strong - weak > 1) {
        const int middle = (weak + strong) / 2;
        color.setAlpha(middle);
        (reaches(color, surfaces, ratio) ? strong : weak) = middle;
    }
    color.setAlpha(strong);
    return color;
}

// `color` with its hue and saturation kept, lightened or darkened (whichever the first background
// calls for) as little as takes it to `ratio` on every background, in whole 8-bit steps as it
// will be drawn. Lightness only ever moves the colour one way, so the range can be halved.
QColor searchLegible(const QColor& color, const QList<QColor>& backgrounds, qreal ratio) {
    if (backgrounds.isEmpty() || reaches(color, backgrounds, ratio)) {
        return color;
    }
    const QColor& first = backgrounds.first();
    const bool lighten =
        Theme::contrast(QColor(Qt::white), first) > Theme::contrast(QColor(Qt::black), first);
    float hue = 0;
    float saturation = 0;
    float lightness = 0;
    float alpha = 1;
    color.getHslF(&hue, &saturation, &lightness, &alpha);
    const auto at = [&](float level) {
        return QColor::fromRgba(QColor::fromHslF(hue, saturation, level, alpha).rgba());
    };
    float weak = lightness;
    float strong = lighten ? 1.0f : 0.0f;
    for (int step = 0; step < 12; ++step) {
        const float middle = (weak + strong) / 2;
        (reaches(at(middle), backgrounds, ratio) ? strong : weak) = middle;
    }
    return at(strong);
}

// Colours are resolved at every paint, and the searches above give the same answer for the same
// colours: each answer is worked out once. Only the GUI thread draws, so the table needs no lock.
template <typename Search>
QColor remembered(const QList<QRgb>& colors, qreal nominal, qreal ratio, Search search) {
    static QHash<QByteArray, QRgb> answers;
    QByteArray key(reinterpret_cast<const char*>(colors.constData()),
                   colors.size() * qsizetype(sizeof(QRgb)));
    key.append(reinterpret_cast<const char*>(&nominal), sizeof nominal);
    key.append(reinterpret_cast<const char*>(&ratio), sizeof ratio);
    if (const auto known = answers.constFind(key); known != answers.cend()) {
        return QColor::fromRgba(*known);
    }
    const QColor answer = search();
    answers.insert(key, answer.rgba());
    return answer;
}

QColor textAt(const QPalette& palette, qreal nominal, qreal ratio) {
    // The surfaces follow from the window and base colours.
    const QList<QRgb> colors{palette.color(QPalette::WindowText).rgba(),
                             palette.color(QPalette::Window).rgba(),
                             palette.color(QPalette::Base).rgba()};
    return remembered(colors, nominal, ratio,
                      [&] { return searchTextAt(palette, nominal, ratio); });
}

QColor legible(const QColor& color, const QList<QColor>& backgrounds, qreal ratio) {
    QList<QRgb> colors{color.rgba()};
    for (const QColor& background : backgrounds) {
        colors.append(background.rgba());
    }
    return remembered(colors, 0, ratio, [&] { return searchLegible(color, backgrounds, ratio); });
}

// The icons are strokes 2 units wide on a 24-unit grid; a heavier font weight thickens them so
// that a symbol matches the weight of the text beside it.
QByteArray strokeWidthFor(QFont::Weight weight) {
    if (weight >= QFont::Bold) {
        return QByteArrayLiteral("2.75");
    }
    if (weight >= QFont::DemiBold) {
        return QByteArrayLiteral("2.5");
    }
    if (weight >= QFont::Medium) {
        return QByteArrayLiteral("2.25");
    }
    return QByteArrayLiteral("2");
}

QSvgRenderer* renderer(const QString& file, QFont::Weight weight) {
    // Only the GUI thread draws, so the cache needs no lock.
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    const QString key = file + QLatin1Char('@') + QString::number(weight);
    if (const auto found = renderers.constFind(key); found != renderers.cend()) {
        return found->get();
    }
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QByteArray svg = source.readAll();
    svg.replace(QByteArrayLiteral("stroke-width=\"2\""),
                QByteArrayLiteral("stroke-width=\"") + strokeWidthFor(weight) + '"');
    auto loaded = std::make_shared<QSvgRenderer>(svg);
    if (!loaded->isValid()) {
        return nullptr;
    }
    renderers.insert(key, loaded);
    return loaded.get();
}

} // namespace

int Theme::bodyPixelSize() {
    // What the font is drawn at, whether the desktop gives it in points or in pixels.
    return std::max(1, QFontInfo(QGuiApplication::font()).pixelSize());
}

int Theme::scaled(int designSize) {
    return std::max(1, static_cast<int>(
                           std::lround(double(designSize) * bodyPixelSize() / double(designBody))));
}

QFont Theme::font(TextStyle style) {
    const TextStyleSize size = styleSize(style);
    return systemFont(size.designSize, size.weight);
}

QFont Theme::systemFont(int designSize, QFont::Weight weight, Design design) {
    QFont font = QGuiApplication::font();
    if (design == Design::rounded) {
        // The rounded cut of the system font where it is installed; the system font otherwise.
        font.setFamilies({QStringLiteral("SF Pro Rounded"), font.family()});
    }
    font.setPixelSize(scaled(designSize));
    font.setWeight(weight);
    return font;
}

Theme::LineBox Theme::lineBox(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    // Accented capitals reach highest, the underscore and descenders lowest.
    QRect ink = metrics.boundingRect(QStringLiteral("\u00C5\u00C9\u00D6_gjpqy|"));
    if (!text.isEmpty()) {
        ink |= metrics.boundingRect(text);
    }
    // The bounds are measured at one pixel per point; drawn at a higher density a glyph's edge
    // may reach half a point further, so each side gets one more.
    return {std::max(metrics.ascent(), -ink.top()) + 1,
            std::max(metrics.descent(), ink.bottom() + 1) + 1};
}

bool Theme::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor Theme::named(Tint tint, const QPalette& palette) {
    const NamedColor color = namedColor(tint);
    return QColor::fromRgb(isDark(palette) ? color.dark : color.light);
}

QColor Theme::resolve(const Color& color, const QPalette& palette) {
    const bool dark = isDark(palette);
    QColor resolved;
    switch (color.role) {
    case Color::Role::named:
        resolved = named(color.tint, palette);
        break;
    case Color::Role::primary:
        resolved = palette.color(QPalette::WindowText);
        break;
    case Color::Role::secondary:
        resolved = textAt(palette, dark ? 0.55 : 0.5, secondaryTextContrast);
        break;
    case Color::Role::tertiary:
        resolved = textAt(palette, dark ? 0.25 : 0.26, textContrast);
        break;
    case Color::Role::accent:
        resolved = palette.color(QPalette::Highlight);
        break;
    case Color::Role::controlBackground:
        resolved = palette.color(QPalette::Base);
        break;
    case Color::Role::windowBackground:
        resolved = palette.color(QPalette::Window);
        break;
    case Color::Role::black:
        resolved = QColor(Qt::black);
        break;
    }
    resolved.setAlphaF(static_cast<float>(resolved.alphaF() * color.opacity));
    return resolved;
}

qreal Theme::contrast(const QColor& one, const QColor& other) {
    const qreal first = luminance(one);
    const qreal second = luminance(other);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor Theme::over(const QColor& top, const QColor& bottom) {
    // In the 8-bit steps that painting works in.
    const int alpha = top.alpha();
    const auto mix = [alpha](int above, int below) {
        return (above * alpha + below * (255 - alpha) + 127) / 255;
    };
    return QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                  mix(top.blue(), bottom.blue()));
}

QList<QColor> Theme::surfaces(const QPalette& palette) {
    // The dashboard is filled with the window's colour, sections are laid over it and rows over
    // the sections, each translucent.
    const QColor window = palette.color(QPalette::Window);
    const QColor section =
        over(resolve(Color::of(Color::Role::windowBackground).withOpacity(Section::fillOpacity),
                     palette),
             window);
    const QColor row = over(
        resolve(Color::of(Color::Role::controlBackground).withOpacity(Row::fillOpacity), palette),
        section);
    return {window, palette.color(QPalette::Base), section, row};
}

QColor Theme::textColor(const Color& color, const QPalette& palette, qreal fillOpacity) {
    const QColor text = resolve(color, palette);
    if (color.role != Color::Role::named && color.role != Color::Role::accent) {
        return text; // the text roles reach their contrast by their strength
    }
    QList<QColor> backgrounds = surfaces(palette);
    if (fillOpacity > 0) {
        const QColor fill = resolve(color.withOpacity(fillOpacity), palette);
        for (QColor& background : backgrounds) {
            background = over(fill, background);
        }
    }
    return legible(text, backgrounds, textContrast);
}

QColor Theme::focusRing(const QPalette& palette) {
    QList<QColor> around = surfaces(palette);
    around.append(palette.color(QPalette::Button));
    return legible(palette.color(QPalette::Highlight), around, markContrast);
}

QColor Theme::checkBoxBorder(const QPalette& palette, bool checked) {
    if (checked) {
        // The fill stays the accent, under a mark in the accent's text colour.
        return legible(palette.color(QPalette::Highlight), surfaces(palette), markContrast);
    }
    return resolve(Color::of(Color::Role::primary).withOpacity(CheckBox::borderOpacity), palette);
}

QColor Theme::checkBoxFill(const QPalette& palette, bool checked) {
    return checked ? palette.color(QPalette::Highlight) : palette.color(QPalette::Base);
}

QColor Theme::checkMark(const QPalette& palette) {
    return palette.color(QPalette::HighlightedText);
}

QString Theme::symbolFile(Symbol symbol) {
    const auto icon = std::ranges::find(symbolIcons, symbol, &SymbolIcon::symbol);
    return QStringLiteral(":/symbols/%1.svg").arg(icon->file);
}

int Theme::symbolBox(int fontPixelSize) {
    return static_cast<int>(std::lround(fontPixelSize * 1.2));
}

QPixmap Theme::symbol(Symbol symbol, const QColor& color, int box, qreal devicePixelRatio,
                      QFont::Weight weight) {
    if (box <= 0) {
        return {};
    }
    const QString file = symbolFile(symbol);
    const QString key = QStringLiteral("kestrelle-symbol:%1:%2:%3:%4:%5")
                            .arg(file)
                            .arg(color.rgba(), 8, 16, QLatin1Char('0'))
                            .arg(box)
                            .arg(devicePixelRatio)
                            .arg(weight);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    QSvgRenderer* svg = renderer(file, weight);
    if (svg == nullptr) {
        return {};
    }
    const int side = static_cast<int>(std::ceil(box * devicePixelRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg->render(&painter, QRectF(0, 0, side, side));
        // Keep the drawing's coverage, replace its colour: one icon file serves every tint.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QColor Theme::prominentButtonText() {
    return QColor(Qt::white);
}

QColor Theme::prominentButtonFill(const QPalette& palette) {
    return legible(named(Tint::green, palette), {prominentButtonText()}, textContrast);
}

QString Theme::prominentButtonStyleSheet(const QPalette& palette) {
    using P = ProminentButton;
    const QColor green = prominentButtonFill(palette);
    QColor disabledFill = green;
    disabledFill.setAlphaF(static_cast<float>(P::disabledFillOpacity));
    QColor disabledText = prominentButtonText();
    disabledText.setAlphaF(static_cast<float>(P::disabledTextOpacity));
    return QStringLiteral("QPushButton { background: %1; color: %2; border: none; "
                          "border-radius: %3px; padding: %4px %5px; }"
                          "QPushButton:pressed { background: %6; }"
                          "QPushButton:disabled { background: %7; color: %8; }"
                          "QPushButton:focus { border: %9px solid %10; }")
        .arg(green.name(), prominentButtonText().name())
        .arg(P::radius)
        .arg(P::paddingV)
        .arg(P::paddingH)
        .arg(green.darker(P::pressedDarker).name(), disabledFill.name(QColor::HexArgb),
             disabledText.name(QColor::HexArgb))
        .arg(P::focusWidth)
        .arg(palette.color(QPalette::WindowText).name());
}

void Theme::fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius,
                            const QColor& color) {
    if (rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    // One radius for both directions, never more than half the shorter side: a rectangle narrower
    // than its corners becomes a capsule instead of growing elliptical corners.
    const qreal corner = std::min({radius, rect.width() / 2, rect.height() / 2});
    QPainterPath path;
    path.addRoundedRect(rect, corner, corner);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, color);
    painter.restore();
}

void Theme::paintFocusRing(QPainter& painter, const QRectF& rect, qreal radius,
                           const QPalette& palette) {
    const qreal half = focusRingWidth / 2.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(focusRing(palette), focusRingWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(half, half, -half, -half), radius, radius);
    painter.restore();
}

QPalette Theme::designPalette(bool dark) {
    struct Shade {
        QPalette::ColorRole role;
        QColor light;
        QColor dark;
    };
    const Shade shades[] = {
        {QPalette::Window, QColor(0xEC, 0xEC, 0xEC), QColor(0x32, 0x32, 0x32)},
        {QPalette::WindowText, QColor(0x1D, 0x1D, 0x1F), QColor(0xF2, 0xF2, 0xF2)},
        {QPalette::Base, Qt::white, QColor(0x1E, 0x1E, 0x1E)},
        {QPalette::AlternateBase, QColor(0xF4, 0xF5, 0xF5), QColor(0x2A, 0x2A, 0x2A)},
        {QPalette::Text, QColor(0x1D, 0x1D, 0x1F), QColor(0xF2, 0xF2, 0xF2)},
        {QPalette::Button, QColor(0xFB, 0xFB, 0xFB), QColor(0x55, 0x55, 0x55)},
        {QPalette::ButtonText, QColor(0x1D, 0x1D, 0x1F), QColor(0xF2, 0xF2, 0xF2)},
        {QPalette::Highlight, QColor(0x00, 0x7A, 0xFF), QColor(0x0A, 0x84, 0xFF)},
        {QPalette::HighlightedText, Qt::white, Qt::white},
        {QPalette::ToolTipBase, QColor(0xF5, 0xF5, 0xF5), QColor(0x2A, 0x2A, 0x2A)},
        {QPalette::ToolTipText, QColor(0x1D, 0x1D, 0x1F), QColor(0xF2, 0xF2, 0xF2)},
        {QPalette::PlaceholderText, QColor(0, 0, 0, 0x40), QColor(255, 255, 255, 0x40)},
        {QPalette::Light, Qt::white, QColor(0x6A, 0x6A, 0x6A)},
        {QPalette::Midlight, QColor(0xE3, 0xE3, 0xE3), QColor(0x4A, 0x4A, 0x4A)},
        {QPalette::Mid, QColor(0xC5, 0xC5, 0xC5), QColor(0x3A, 0x3A, 0x3A)},
        {QPalette::Dark, QColor(0xA0, 0xA0, 0xA0), QColor(0x22, 0x22, 0x22)},
        {QPalette::Shadow, QColor(0x60, 0x60, 0x60), Qt::black},
    };
    QPalette palette;
    for (const Shade& shade : shades) {
        palette.setColor(shade.role, dark ? shade.dark : shade.light);
    }
    return palette;
}
