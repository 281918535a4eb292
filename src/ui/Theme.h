#pragma once

#include "model/Symbol.h"
#include "model/Tint.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

// The look in one place: text styles, named colours, the symbol table and the sizes of the views.
// Sizes are device-independent pixels (a macOS point each). Colours are resolved against a palette
// when they are drawn, so a dark palette gives the dark variants without any view knowing.
class Theme {
public:
    // The platform's text styles, in pixels: title2 17, title3 15, headline 13 semibold, body 13,
    // subheadline 11, caption 10, caption2 10.
    enum class TextStyle { title2, title3, headline, body, subheadline, caption, caption2 };
    enum class Design { standard, rounded };

    static QFont font(TextStyle style);
    static QFont systemFont(int pixelSize, QFont::Weight weight, Design design = Design::standard);

    // The room one line of `font` takes so that nothing it draws is cut: fonts draw underscores,
    // descenders and accents beyond their nominal ascent and descent, so the line box is grown to
    // the ink of the font's tallest and deepest glyphs and of `text` itself.
    struct LineBox {
        int above = 0; // baseline below the top
        int below = 0; // bottom below the baseline
        int height() const { return above + below; }
    };
    static LineBox lineBox(const QFont& font, const QString& text = {});

    // A colour by role. Views keep roles, not colours, and resolve them at paint time.
    struct Color {
        enum class Role {
            named,             // one of the platform's named colours (`tint`)
            primary,           // primary text
            secondary,         // secondary text, also the neutral fill of tracks and dots
            tertiary,          // fainter than secondary
            accent,            // the user's accent colour
            controlBackground, // behind controls and cards
            windowBackground,  // behind the window's content
            black,
        };
        Role role = Role::primary;
        Tint tint = Tint::blue;
        qreal opacity = 1.0;

        static Color of(Tint tint) { return {Role::named, tint, 1.0}; }
        static Color of(Role role) { return {role, Tint::blue, 1.0}; }
        Color withOpacity(qreal factor) const { return {role, tint, opacity * factor}; }
        bool operator==(const Color&) const = default;
    };

    static QColor resolve(const Color& color, const QPalette& palette);
    // The named colour in the palette's appearance.
    static QColor named(Tint tint, const QPalette& palette);
    static bool isDark(const QPalette& palette);

    // The resource of the icon that stands for a symbol.
    static QString symbolFile(Symbol symbol);
    // Side of the square in which a symbol is drawn next to text of `fontPixelSize`: the icons'
    // artwork fills about five sixths of their box, so the box is a little larger than the text.
    static int symbolBox(int fontPixelSize);
    // The symbol in one colour, at the device pixel ratio it will be drawn at. Heavier weights draw
    // thicker strokes. An empty box gives a null pixmap.
    static QPixmap symbol(Symbol symbol, const QColor& color, int box, qreal devicePixelRatio,
                          QFont::Weight weight = QFont::Normal);

    static void fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius,
                                const QColor& color);
    // A keyboard-focus outline around `rect`, in the accent colour.
    static void paintFocusRing(QPainter& painter, const QRectF& rect, qreal radius,
                               const QPalette& palette);

    // Fills behind a tinted symbol or text.
    static constexpr qreal tintFillOpacity = 0.15;
    static constexpr qreal pillFillOpacity = 0.12;

    struct Page {
        static constexpr int paddingH = 20;
        static constexpr int paddingV = 16;
        static constexpr int spacing = 20;
        static constexpr int sectionSpacing = 16;
        static constexpr int buttonSpacing = 8;
        static constexpr int buttonFontSize = 11;
    };
    struct Card {
        static constexpr int padding = 16;
        static constexpr int spacing = 14;
        static constexpr int radius = 14;
        static constexpr int titleSpacing = 2;
        static constexpr qreal shadowOpacity = 0.04;
        static constexpr int shadowRadius = 6;
        static constexpr int shadowOffsetY = 2;
    };
    struct Pill {
        static constexpr int fontSize = 14;
        static constexpr int spacing = 6;
        static constexpr int paddingH = 10;
        static constexpr int paddingV = 5;
    };
    struct Bar {
        static constexpr int height = 12;
        static constexpr int radius = 6;
        static constexpr qreal trackOpacity = 0.2;
        static constexpr qreal minimumCleaningWidth = 4;
    };
    struct Legend {
        static constexpr int spacing = 20;
        static constexpr int entrySpacing = 6;
        static constexpr int dot = 8;
        static constexpr qreal freeDotOpacity = 0.5;
    };
    struct Section {
        static constexpr int padding = 12;
        static constexpr int radius = 12;
        static constexpr int spacing = 8;
        static constexpr qreal fillOpacity = 0.5;
        static constexpr int rowSpacing = 6;
        static constexpr int rowIndent = 18;
        static constexpr int animationMs = 200;
    };
    struct Header {
        static constexpr int spacing = 10;
        static constexpr int paddingV = 6;
        static constexpr int paddingH = 4;
        static constexpr int labelSpacing = 8;
        static constexpr int chevronFontSize = 11;
        static constexpr int chevronFrame = 14;
        static constexpr int symbolFontSize = 16;
        static constexpr int titleSpacing = 1;
        static constexpr int totalFontSize = 13;
        static constexpr int totalPaddingH = 8;
        static constexpr int totalPaddingV = 3;
    };
    struct Empty {
        static constexpr int spacing = 12;
        static constexpr int symbolFontSize = 48;
        static constexpr int textWidth = 400;
        static constexpr int minimumHeight = 250;
        static constexpr int padding = 16;
    };
    struct Row {
        static constexpr int spacing = 12;
        static constexpr int paddingH = 12;
        static constexpr int paddingV = 8;
        static constexpr int radius = 10;
        static constexpr qreal fillOpacity = 0.6;
        static constexpr int icon = 36;
        static constexpr int iconFontSize = 16;
        static constexpr int textSpacing = 3;
        static constexpr int nameSpacing = 6;
        static constexpr int subtitleLines = 2;
        static constexpr int pathSpacing = 4;
        static constexpr int sizeSpacing = 4;
        static constexpr int sizeFontSize = 14;
        static constexpr int labelSpacing = 4;
    };
    // Checkboxes keep a visible edge and mark on any palette (the edge against the row behind it).
    struct CheckBox {
        static constexpr qreal borderOpacity = 0.55;
        static constexpr qreal radius = 3;
    };
    static QColor checkBoxBorder(const QPalette& palette, bool checked);
    static QColor checkBoxFill(const QPalette& palette, bool checked);
    static QColor checkMark(const QPalette& palette);

    struct Badge {
        static constexpr int fontSize = 10;
        static constexpr int paddingH = 6;
        static constexpr int paddingV = 2;
    };
    struct Window {
        static constexpr int minimumWidth = 800;
        static constexpr int minimumHeight = 620;
        static constexpr int width = 960;
        static constexpr int height = 760;
    };
    struct Footer {
        static constexpr int paddingH = 20;
        static constexpr int paddingV = 14;
        static constexpr int spacing = 16;
        static constexpr int statusSpacing = 8;
        static constexpr int statusLineSpacing = 2;
        static constexpr int summarySpacing = 1;
        static constexpr int symbolFontSize = 13;
        static constexpr int sizeFontSize = 15;
        static constexpr int progressWidth = 140;
        static constexpr int progressHeight = 6;
    };
    // The window's one prominent button (the clean button): white on green, dimmed when it
    // cannot act.
    struct ProminentButton {
        static constexpr int minimumHeight = 30;
        static constexpr int radius = 7;
        static constexpr int paddingH = 14;
        static constexpr int paddingV = 5;
        static constexpr int focusWidth = 2;
        static constexpr int pressedDarker = 115; // percent
        static constexpr qreal disabledFillOpacity = 0.43;
        static constexpr qreal disabledTextOpacity = 0.59;
    };
    static QColor prominentButtonText();
    // The button's look as a style sheet (the one way to restyle a push button under every
    // widget style), built from the values above and the palette's appearance.
    static QString prominentButtonStyleSheet(const QPalette& palette);
    struct PlainButton {
        static constexpr int symbolSpacing = 4;
        static constexpr int ringMargin = 2; // room around the content for the focus ring
        static constexpr int ringRadius = 4;
        static constexpr qreal pressedOpacity = 0.5;
        static constexpr qreal disabledOpacity = 0.35;
    };
    struct Text {
        // Wrapped text is offered at this width when nothing narrower is asked for.
        static constexpr int preferredWrapWidth = 420;
    };
    struct Alert {
        // Keeps a two-line message from wrapping into a narrow column.
        static constexpr int minimumTextWidth = 340;
    };
};
