#include "Accessibility.h"

#include "Main.h"
#include "config.h"
#include "controls/PageControl.h"
#include "controls/ProCtrls.h"
#include "controls/ProUrl.h"
#include "platform/Image.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QToolButton>

namespace {

// A control of ours that says what it is, with a name from what it shows.
class Described : public QAccessibleWidget {
public:
    Described(QWidget* widget, QAccessible::Role role, std::function<QString()> name)
        : QAccessibleWidget(widget, role), m_name(std::move(name)) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return m_name();
        return QAccessibleWidget::text(t);
    }

private:
    std::function<QString()> m_name;
};

// A hyperlink label: a link whose one action opens it.
class Link : public Described {
public:
    explicit Link(TProUrlLabel* link)
        : Described(link, QAccessible::Link, [link] { return link->Caption(); }), m_link(link) {}
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction())
            m_link->Open();
        else
            QAccessibleWidget::doAction(action);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        s.traversed = m_link->Visited();
        return s;
    }

private:
    TProUrlLabel* m_link;
};

// A page's tab: selected while its page shows, and pressed to show it.
class PageTab : public Described {
public:
    explicit PageTab(QToolButton* tab)
        : Described(tab, QAccessible::PageTab, [tab] { return tab->text(); }), m_tab(tab) {}
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction())
            m_tab->click();
        else
            QAccessibleWidget::doAction(action);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = m_tab->isChecked();
        s.checkable = false;
        s.checked = false;
        return s;
    }

private:
    QToolButton* m_tab;
};

QAccessibleInterface* describe(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // The bar is a window of its own, which a screen reader names when it gets the focus.
    if (qobject_cast<TBarFrm*>(widget))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (auto* link = qobject_cast<TProUrlLabel*>(widget))
        return new Link(link);
    if (auto* label = qobject_cast<TProCustomLabel*>(widget))
        return new Described(widget, QAccessible::StaticText, [label] { return label->Caption(); });
    if (auto* group = qobject_cast<TGroupBox*>(widget))
        return new Described(widget, QAccessible::Grouping, [group] { return group->Caption(); });
    if (qobject_cast<TPageControl*>(widget))
        return new QAccessibleWidget(widget, QAccessible::PageTabList);
    if (auto* tab = qobject_cast<QToolButton*>(widget);
        tab && qobject_cast<TPageControl*>(tab->parentWidget()))
        return new PageTab(tab);
    if (dynamic_cast<platform::TImage*>(widget))
        return new Described(widget, QAccessible::Graphic, [] { return QString(); });
    return nullptr;
}

} // namespace

void InstallAccessibility() {
    QAccessible::installFactory(describe);
}
