#include "ui/AccessibleWidgets.h"

#include "ui/CapsuleLabel.h"
#include "ui/TextLabel.h"
#include "ui/UsageBar.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class TextLabelAccessible final : public QAccessibleWidget {
public:
    explicit TextLabelAccessible(TextLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}
    // A screen reader speaks a notification that comes on screen wherever the focus is, which
    // is how an announced label's every new text is read out.
    QAccessible::Role role() const override {
        return static_cast<const TextLabel*>(widget())->isAnnounced() ? QAccessible::Notification
                                                                      : QAccessible::StaticText;
    }
};

class CapsuleAccessible final : public QAccessibleWidget {
public:
    explicit CapsuleAccessible(CapsuleLabel* capsule)
        : QAccessibleWidget(capsule, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value
                   ? static_cast<const CapsuleLabel*>(widget())->accessibleFigureValue()
                   : QAccessibleWidget::text(kind);
    }
};

class UsageBarAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit UsageBarAccessible(UsageBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    // The figures in words, which the bar's description carries too for readers that read no
    // value text.
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? widget()->accessibleDescription()
                                          : QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override {
        return static_cast<const UsageBar*>(widget())->usedPercent();
    }
    // The bar shows the disk; nobody sets it.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface* accessibleWidget(const QString& className, QObject* object) {
    if (!object->isWidgetType()) {
        return nullptr;
    }
    if (className == QLatin1String("TextLabel")) {
        return new TextLabelAccessible(static_cast<TextLabel*>(object));
    }
    if (className == QLatin1String("LegendEntry")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StaticText);
    }
    if (className == QLatin1String("CapsuleLabel")) {
        return new CapsuleAccessible(static_cast<CapsuleLabel*>(object));
    }
    if (className == QLatin1String("UsageBar")) {
        return new UsageBarAccessible(static_cast<UsageBar*>(object));
    }
    return nullptr;
}

} // namespace

void installAccessibleWidgets() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleWidget);
        return true;
    }();
    Q_UNUSED(installed);
}
