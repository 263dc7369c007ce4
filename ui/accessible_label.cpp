#include "accessible_label.h"

#include "command_label.h"

#include <QAccessibleWidget>

namespace korvane::ui {
namespace {

class AccessibleCommandLabel final : public QAccessibleWidget {
  public:
    explicit AccessibleCommandLabel(CommandLabel* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override {
        return pressable() ? QAccessible::Button : QAccessible::StaticText;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty())
            return label()->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        return pressable() ? QStringList{pressAction()} : QStringList{};
    }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction() && pressable())
            label()->click();
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    CommandLabel* label() const { return static_cast<CommandLabel*>(widget()); }
    bool pressable() const { return label()->look() != LabelLook::Heading; }
};

QAccessibleInterface* commandLabelFactory(const QString& className, QObject* object) {
    if (object && object->isWidgetType() &&
        className == QLatin1String(CommandLabel::staticMetaObject.className()))
        return new AccessibleCommandLabel(static_cast<CommandLabel*>(object));
    return nullptr;
}

} // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(commandLabelFactory);
        return true;
    }();
    (void)installed;
}

} // namespace korvane::ui
