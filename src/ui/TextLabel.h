#pragma once

#include "ui/Theme.h"

#include <QStringList>
#include <QWidget>

// Text in one style and colour role, with a line limit: one line cut with an ellipsis, a fixed
// number of wrapped lines whose last one is cut, or as many wrapped lines as the text needs. The
// colour is resolved against the palette when drawn.
class TextLabel : public QWidget {
    Q_OBJECT

public:
    TextLabel(const QFont& font, Theme::Color color, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return m_text; }
    void setColor(Theme::Color color);
    Theme::Color color() const { return m_color; }
    // 1: one line (the default); n > 1: at most n wrapped lines; 0: no limit.
    void setMaximumLineCount(int lines);
    int maximumLineCount() const { return m_maximumLines; }
    void setAlignment(Qt::Alignment alignment);
    // Where a one-line text is cut; wrapped text is always cut at the end of its last line.
    void setElideMode(Qt::TextElideMode mode);
    // Wrapped text breaks between words where it can; text without word boundaries (a path)
    // breaks at any character instead, filling each line.
    void setWrapAnywhere(bool anywhere);
    // A screen reader reads each new text out as it is set, wherever the focus is (a status
    // line): the label is a notification that shows again with every change.
    void setAnnounced(bool announced);
    bool isAnnounced() const { return m_announced; }

    // The lines drawn at `width`, after wrapping and cutting.
    QStringList visibleLines(int width) const;
    // True when the text does not fit in the line limit at `width`.
    bool isElided(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Lines {
        QStringList lines;
        bool elided = false;
    };
    Lines layoutLines(int width) const;
    int naturalWidth() const;
    int blockHeight(qsizetype lines) const;
    void updatePolicy();

    QString m_text;
    Theme::Color m_color;
    int m_maximumLines = 1;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    Qt::TextElideMode m_elideMode = Qt::ElideRight;
    bool m_wrapAnywhere = false;
    bool m_announced = false;
};
