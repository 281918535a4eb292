#pragma once

#include "model/Symbol.h"
#include "model/Tint.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPalette>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

// The look in one place: text styles, named colours, the symbol table and the sizes of the views.
// Sizes are device-independent pixels (a macOS point each). Colours are resolved against a palette
// when they are drawn, so a dark palette gives the dark variants without any view knowing.
//
// Text follows the desktop: the sizes of text and of the symbols beside it are given on a design
// scale whose body text is `designBody`, and drawn on the scale of the application's font, so
// that the window's own text, its buttons, menus and alerts read as one at any font size.
class Theme {
public:
    // The platform's text styles on the design scale: title2 17, title3 15, headline 13 semibold,
    // body 13, subheadline 11, caption 10, caption2 10.
    enum class TextStyle { title2, title3, headline, body, subheadline, caption, caption2 };
    enum class Design { standard, rounded };

    static constexpr int designBody = 13;
    // The size in pixels of the application's font (the desktop's, under a platform theme): the
    // body text of the window.
    static int bodyPixelSize();
    // A text or symbol size, or a line length, of the design scale in pixels of the desktop's.
    static int scaled(int designSize);

    static QFont font(TextStyle style);
    // The system font at `designSize` of the design scale.
    static QFont systemFont(int designSize, QFont::Weight weight, Design design = Design::standard);

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
            tertiary,          // fainter than secondary, still legible
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

    // Secondary and tertiary text are the palette's text colour at the lowest strength, never below
    // the platform's, that reaches their contrast on every surface: on a low-contrast palette they
    // grow stronger instead of fading out.
    static QColor resolve(const Color& color, const QPalette& palette);
    // The named colour in the palette's appearance.
    static QColor named(Tint tint, const QPalette& palette);
    static bool isDark(const QPalette& palette);
    // The light or dark appearance the look is designed on (the Mac's system colours), for drawing
    // the window where no desktop gives a palette: the offscreen pictures and the tests of either
    // appearance. The program itself always takes the desktop's palette.
    static QPalette designPalette(bool dark);

    // Contrast ratios (WCAG 2) that the window keeps on every palette: text against what it is
    // drawn on, secondary text a step above so that it stays darker than tertiary, and focus
    // outlines and other marks that are not text.
    static constexpr qreal textContrast = 4.5;
    static constexpr qreal secondaryTextContrast = 7.0;
    static constexpr qreal markContrast = 3.0;
    // The contrast ratio of two opaque colours, from 1 to 21.
    static qreal contrast(const QColor& one, const QColor& other);
    // The pixel that `top` gives drawn over the opaque `bottom`.
    static QColor over(const QColor& top, const QColor& bottom);
    // The opaque colours the window draws text on: the window, a card, a section and a row.
    static QList<QColor> surfaces(const QPalette& palette);
    // The colour a view draws text of `color` in, on a fill of the same colour at `fillOpacity`
    // (a capsule) or on the bare surface. A named or accent colour keeps its hue but is darkened
    // or lightened until it reaches `textContrast` on every surface.
    static QColor textColor(const Color& color, const QPalette& palette, qreal fillOpacity = 0);
    // The keyboard-focus outline: the accent, darkened or lightened until it stands out against
    // every surface and the palette's buttons.
    static QColor focusRing(const QPalette& palette);

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
    // A keyboard-focus outline `focusRingWidth` wide just inside `rect`, in `focusRing`.
    static void paintFocusRing(QPainter& painter, const QRectF& rect, qreal radius,
                               const QPalette& palette);
    static constexpr int focusRingWidth = 2;

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
    };
    // Checkboxes keep a visible edge and mark on any palette (the edge against the row behind it,
    // a checked box's in the accent moved as far as that takes). The focus ring goes around the
    // box with a gap, so that it shows on a checked box as well.
    struct CheckBox {
        static constexpr qreal borderOpacity = 0.55;
        static constexpr qreal radius = 3;
        static constexpr int ringGap = 2;
        static constexpr int ringRoom = ringGap + focusRingWidth; // around the box, each side
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
        static constexpr int iconSpacing = 2; // beside the style's own, between icon and text
        static constexpr int sizeFontSize = 15;
        static constexpr int progressWidth = 140;
        static constexpr int progressHeight = 6;
    };
    // The window's one prominent button (the clean button): white on green, dimmed when it
    // cannot act. The green is darkened as far as white text on it needs; its focus outline is
    // the palette's text colour, which stands out against both the green and the window.
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
    static QColor prominentButtonFill(const QPalette& palette);
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
