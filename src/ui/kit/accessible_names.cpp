#include "ui/kit/accessible_names.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QVariant>

namespace vantor::ui {

namespace {

// Set on names we gave, so that a later hint may replace them (an explicit name is never touched).
constexpr const char* kDerived = "vantorDerivedAccessibleName";

QString stripShortcut(QString text) {
    // "登录(&I)" reads "登录(I)"; "&&" is a literal "&".
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.trimmed();
}

class NameWatcher : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if ((type == QEvent::Polish || type == QEvent::ToolTipChange || type == QEvent::Show) &&
            watched->isWidgetType())
            nameForAssistiveTechnology(static_cast<QWidget*>(watched));
        return false;
    }
};

} // namespace

void nameForAssistiveTechnology(QWidget* w) {
    if (!w) return;
    if (!w->accessibleName().isEmpty() && !w->property(kDerived).toBool()) return;
    QString name;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        name = b->toolTip().isEmpty() ? stripShortcut(b->text()) : b->toolTip();
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        name = e->toolTip().isEmpty() ? e->placeholderText() : e->toolTip();
    } else if (qobject_cast<QComboBox*>(w)) {
        name = w->toolTip();
    } else {
        return;
    }
    if (name.isEmpty() || name == w->accessibleName()) return;
    w->setAccessibleName(name);
    w->setProperty(kDerived, true);
}

void installAccessibleNames() {
    auto* app = QCoreApplication::instance();
    if (!app || app->findChild<QObject*>(QStringLiteral("AccessibleNames"), Qt::FindDirectChildrenOnly))
        return;
    auto* watcher = new NameWatcher(app);
    watcher->setObjectName(QStringLiteral("AccessibleNames"));
    app->installEventFilter(watcher);
    for (QWidget* w : QApplication::allWidgets())
        nameForAssistiveTechnology(w);
}

} // namespace vantor::ui
